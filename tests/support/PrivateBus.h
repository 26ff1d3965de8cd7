// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace quillo::test {

// A message bus of the test's own, so that nothing of the desktop's (its file
// manager, its portal, its notification server) is involved. `address` is
// empty when dbus-daemon could not start.
struct PrivateBus {
    QProcess daemon;
    QString address;

    PrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (daemon.waitForStarted() && daemon.waitForReadyRead(10000)) {
            address = QString::fromUtf8(daemon.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        daemon.terminate();
        daemon.waitForFinished();
    }
    QDBusConnection connect(const QString& name) const {
        return QDBusConnection::connectToBus(address, name);
    }
};

} // namespace quillo::test
