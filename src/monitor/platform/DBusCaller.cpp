// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusCaller.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace quillo {

DBusReply SessionBusCaller::call(const DBusCall& call) {
    DBusReply reply;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        reply.errorName = QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
        reply.errorMessage = bus.lastError().message();
        if (reply.errorMessage.isEmpty()) {
            reply.errorMessage = QStringLiteral("no session bus");
        }
        return reply;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(call.service, call.path, call.interface, call.method);
    message.setArguments(call.arguments);
    QDBusMessage answer = bus.call(message, QDBus::Block, static_cast<int>(timeLimit_.count()));
    if (answer.type() == QDBusMessage::ReplyMessage) {
        reply.ok = true;
        reply.values = answer.arguments();
        return reply;
    }
    reply.errorName = answer.errorName();
    reply.errorMessage = answer.errorMessage();
    // QtDBus reports a call that outlived its time limit as NoReply.
    reply.timedOut = reply.errorName == QDBusError::errorString(QDBusError::NoReply) ||
                     reply.errorName == QDBusError::errorString(QDBusError::Timeout);
    return reply;
}

} // namespace quillo
