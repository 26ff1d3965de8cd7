// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PrivateBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <set>
#include <vector>

namespace quillo::test {

// A notification server as the desktop runs one: it answers Notify with an id
// (the replaced notice's when it still shows), CloseNotification with the
// NotificationClosed signal, and GetCapabilities; it remembers every call, and
// sends ActionInvoked on request.
class StandInNotificationServer : public QDBusVirtualObject {
public:
    struct Notify {
        QString appName;
        uint replaces = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
        uint id = 0;
        std::chrono::steady_clock::time_point arrived;
    };

    explicit StandInNotificationServer(QDBusConnection connection,
                                       QStringList capabilities = {"actions", "body", "sound"})
        : connection_(std::move(connection)), capabilities_(std::move(capabilities)) {}
    ~StandInNotificationServer() override { stop(); }

    bool start() {
        started_ = connection_.registerVirtualObject(path(), this) &&
                   connection_.registerService(service());
        return started_;
    }
    void stop() {
        if (started_) {
            connection_.unregisterService(service());
            connection_.unregisterObject(path());
            started_ = false;
        }
    }

    // The user clicks `action` of notice `id`.
    void invoke(uint id, const QString& action) {
        QDBusMessage signal =
            QDBusMessage::createSignal(path(), service(), QStringLiteral("ActionInvoked"));
        signal << id << action;
        connection_.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (member == "GetCapabilities") {
            ++capabilityQueries;
            connection.send(message.createReply(capabilities_));
        } else if (member == "Notify" && message.signature() == "susssasa{sv}i") {
            Notify notify;
            notify.arrived = std::chrono::steady_clock::now();
            notify.appName = args.at(0).toString();
            notify.replaces = args.at(1).toUInt();
            notify.icon = args.at(2).toString();
            notify.summary = args.at(3).toString();
            notify.body = args.at(4).toString();
            notify.actions = args.at(5).toStringList();
            notify.hints = qdbus_cast<QVariantMap>(args.at(6));
            notify.timeout = args.at(7).toInt();
            notify.id = open.count(notify.replaces) != 0 ? notify.replaces : nextId_++;
            open.insert(notify.id);
            notifies.push_back(notify);
            connection.send(message.createReply(notify.id));
            if (onNotify) {
                onNotify(notify);
            }
        } else if (member == "CloseNotification" && message.signature() == "u") {
            const uint id = args.at(0).toUInt();
            closes.push_back(id);
            connection.send(message.createReply());
            if (open.erase(id) != 0) {
                QDBusMessage signal = QDBusMessage::createSignal(
                    path(), service(), QStringLiteral("NotificationClosed"));
                signal << id << 3u;
                connection.send(signal);
            }
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, member));
        }
        return true;
    }

    static QString service() { return QStringLiteral("org.freedesktop.Notifications"); }
    static QString path() { return QStringLiteral("/org/freedesktop/Notifications"); }

    std::vector<Notify> notifies;
    std::vector<uint> closes;
    std::set<uint> open; // the notices on screen
    int capabilityQueries = 0;
    std::function<void(const Notify&)> onNotify;

private:
    QDBusConnection connection_;
    QStringList capabilities_;
    uint nextId_ = 1;
    bool started_ = false;
};

} // namespace quillo::test
