// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>
#include <QVariantMap>

namespace quillo {

namespace {

// A server that hangs must not keep a notice's bookkeeping open for long.
constexpr int callTimeoutMs = 5000;

QDBusMessage call(const char* method) {
    return QDBusMessage::createMethodCall(
        QString::fromLatin1(DBusNotifier::service), QString::fromLatin1(DBusNotifier::path),
        QString::fromLatin1(DBusNotifier::interface), QString::fromLatin1(method));
}

} // namespace

DBusNotifier::DBusNotifier(QDBusConnection bus, QObject* parent)
    : Notifier(parent), bus_(std::move(bus)) {
    if (!bus_.isConnected()) {
        return; // no session bus: no notices, and nothing to wait for
    }
    const QString name = QString::fromLatin1(service);
    bus_.connect(name, QString::fromLatin1(path), QString::fromLatin1(interface),
                 QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint, QString)));
    bus_.connect(name, QString::fromLatin1(path), QString::fromLatin1(interface),
                 QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
    // A server that starts (or restarts) later is noticed when it takes the
    // name; one that leaves makes notices unavailable until then.
    watcher_ = new QDBusServiceWatcher(name, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    ++probes_;
                    setAvailable(false);
                } else {
                    probe();
                }
            });
    probe();
}

void DBusNotifier::probe() {
    const quint64 probe = ++probes_;
    // The call also starts a server that the bus only knows how to activate.
    auto* pending =
        new QDBusPendingCallWatcher(bus_.asyncCall(call("GetCapabilities"), callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, probe](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (probe != probes_) {
                    return;
                }
                QDBusPendingReply<QStringList> reply = *finished;
                if (reply.isError()) {
                    setAvailable(false);
                    return;
                }
                sound_ = reply.value().contains(QStringLiteral("sound"));
                setAvailable(true);
            });
}

void DBusNotifier::setAvailable(bool available) {
    if (available != available_) {
        available_ = available;
        emit availabilityChanged(available);
    }
}

void DBusNotifier::post(const Notice& notice, quint32 replaces, Posted posted) {
    if (!bus_.isConnected()) {
        posted(std::nullopt);
        return;
    }
    const QString switchLabel = QCoreApplication::translate("SessionNotices", "切换到终端");
    QVariantMap hints{
        {QStringLiteral("desktop-entry"), QString::fromLatin1(desktopEntry)},
    };
    if (sound_) {
        hints.insert(QStringLiteral("sound-name"), QString::fromLatin1(soundName));
    }
    QStringList actions{QString::fromLatin1(defaultAction), switchLabel,
                        QString::fromLatin1(switchAction), switchLabel};
    if (notice.answers) {
        actions << QString::fromLatin1(allowAction)
                << QCoreApplication::translate("SessionNotices", "允许")
                << QString::fromLatin1(denyAction)
                << QCoreApplication::translate("SessionNotices", "拒绝");
    }
    QDBusMessage message = call("Notify");
    message << QStringLiteral("Quillo") << static_cast<uint>(replaces)
            << QString::fromLatin1(desktopEntry) << notice.summary << notice.body << actions
            << hints << -1;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(message, callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [posted = std::move(posted)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    posted(std::nullopt);
                } else {
                    posted(reply.value());
                }
            });
}

void DBusNotifier::withdraw(quint32 id) {
    if (!bus_.isConnected() || id == 0) {
        return;
    }
    QDBusMessage message = call("CloseNotification");
    message << static_cast<uint>(id);
    bus_.asyncCall(message, callTimeoutMs);
}

void DBusNotifier::onActionInvoked(uint id, const QString& action) {
    emit actionInvoked(id, action);
}

void DBusNotifier::onClosed(uint id, uint /*reason*/) {
    emit closed(id);
}

} // namespace quillo
