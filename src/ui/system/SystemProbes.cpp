// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemProbes.h"

#include "SystemChecks.h"
#include "platform/X11WindowSystem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quillo {

namespace {

constexpr int busTimeoutMs = 1000;

std::optional<std::string> environment(const char* name) {
    const QByteArray value = qgetenv(name);
    if (value.isEmpty()) {
        return std::nullopt;
    }
    return value.toStdString();
}

std::optional<std::string> readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.read(1 << 20).toStdString();
}

} // namespace

std::optional<SystemProbes::Daemon> LinuxSystemProbes::avahiDaemon() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    const QString avahi = QStringLiteral("org.freedesktop.Avahi");
    // Asks the bus who owns the name rather than calling the daemon outright,
    // which could start a stopped daemon through bus activation.
    QDBusMessage owner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    owner << avahi;
    QDBusMessage owned = bus.call(owner, QDBus::Block, busTimeoutMs);
    if (owned.type() != QDBusMessage::ReplyMessage || owned.arguments().isEmpty()) {
        return std::nullopt;
    }
    if (!owned.arguments().front().toBool()) {
        return QFileInfo::exists(QStringLiteral("/usr/sbin/avahi-daemon")) ? Daemon::stopped
                                                                           : Daemon::notInstalled;
    }
    // Running is not enough: it must answer.
    QDBusMessage version = QDBusMessage::createMethodCall(
        avahi, QStringLiteral("/"), QStringLiteral("org.freedesktop.Avahi.Server"),
        QStringLiteral("GetVersionString"));
    if (bus.call(version, QDBus::Block, busTimeoutMs).type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return Daemon::running;
}

std::optional<bool> LinuxSystemProbes::portListening(quint16 port) {
    std::optional<bool> answer;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        auto text = readSmallFile(QString::fromLatin1(table));
        if (!text) {
            continue;
        }
        answer = answer.value_or(false) || SystemChecks::listensOn(*text, port);
    }
    return answer;
}

SystemProbes::Display LinuxSystemProbes::display() {
    Display display;
    display.x11 = environment("DISPLAY");
    display.wayland = environment("WAYLAND_DISPLAY");
    if (display.x11) {
        display.x11Reachable = X11WindowSystem(display.x11).serverTime().has_value();
    }
    return display;
}

bool LinuxSystemProbes::commandFound(const std::string& name) {
    const QString program = QString::fromStdString(name);
    return !QStandardPaths::findExecutable(program).isEmpty() ||
           !QStandardPaths::findExecutable(program,
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                .isEmpty();
}

std::optional<std::string> LinuxSystemProbes::kittyConfig() {
    QString folder = qEnvironmentVariable("KITTY_CONFIG_DIRECTORY");
    if (folder.isEmpty()) {
        QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (config.isEmpty()) {
            config = QDir::homePath() + QStringLiteral("/.config");
        }
        folder = config + QStringLiteral("/kitty");
    }
    return readSmallFile(folder + QStringLiteral("/kitty.conf"));
}

} // namespace quillo
