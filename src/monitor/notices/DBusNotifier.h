// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Notifier.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace quillo {

// Notices through the desktop's notification server
// (org.freedesktop.Notifications on the session bus). Its capabilities are
// asked once at start and again whenever a server takes the name, never in a
// loop; a server that can play sounds is asked to play the instant-message
// sound. Calls never wait: answers arrive on the main thread.
class DBusNotifier : public Notifier {
    Q_OBJECT

public:
    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* interface = "org.freedesktop.Notifications";
    static constexpr const char* desktopEntry = "com.quillo.mac";
    static constexpr const char* soundName = "message-new-instant";

    explicit DBusNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);

    bool isAvailable() const override { return available_; }
    bool supportsSound() const { return sound_; }

    void post(const Notice& notice, quint32 replaces, Posted posted) override;
    void withdraw(quint32 id) override;

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    // Asks the server for its capabilities; the answer decides availability.
    void probe();
    void setAvailable(bool available);

    QDBusConnection bus_;
    QDBusServiceWatcher* watcher_ = nullptr;
    quint64 probes_ = 0; // only the latest probe's answer counts
    bool available_ = false;
    bool sound_ = false;
};

} // namespace quillo
