// SPDX-License-Identifier: GPL-3.0-or-later
#include "GnomeTerminalController.h"

#include <QDBusArgument>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>

namespace quillo::GnomeTerminalController {

namespace {

// The number of result descriptions (aa{sv}) in a GetResultMetas reply: the
// bus hands them over still marshalled, a fake as a plain list.
std::size_t resultCount(const DBusReply& reply) {
    if (reply.values.isEmpty()) {
        return 0;
    }
    const QVariant& value = reply.values.front();
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        std::size_t count = 0;
        argument.beginArray();
        while (!argument.atEnd()) {
            QVariantMap meta;
            argument >> meta;
            ++count;
        }
        argument.endArray();
        return count;
    }
    return static_cast<std::size_t>(value.toList().size());
}

} // namespace

// GNOME Terminal has no tab-selection call of its own, but its shell search
// provider activates a result (a tab, named by its screen uuid) by presenting
// the tab and its window.
TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location) {
    constexpr std::string_view name = "GNOME Terminal";
    // "/org/gnome/Terminal/screen/<uuid with _ for ->".
    auto screen = SwitchSupport::claudeEnvironment(services, process, "GNOME_TERMINAL_SCREEN");
    std::string uuid;
    if (screen) {
        auto slash = screen->rfind('/');
        uuid = screen->substr(slash == std::string::npos ? 0 : slash + 1);
        std::replace(uuid.begin(), uuid.end(), '_', '-');
    }
    if (uuid.empty()) {
        return SwitchSupport::missingVariable(name, "GNOME_TERMINAL_SCREEN");
    }
    // The server that owns the tab; the well-known name when the variable is
    // missing (one server per session is the usual case).
    QString service = QString::fromStdString(
        SwitchSupport::claudeEnvironment(services, process, "GNOME_TERMINAL_SERVICE")
            .value_or("org.gnome.Terminal"));
    const QString path = QStringLiteral("/org/gnome/Terminal/SearchProvider");
    const QString interface = QStringLiteral("org.gnome.Shell.SearchProvider2");

    // Activating an unknown uuid succeeds silently, so ask first whether the
    // tab still exists.
    DBusCall lookup{service, path, interface, QStringLiteral("GetResultMetas"),
                    QVariantList{QStringList{QString::fromStdString(uuid)}}};
    DBusReply metas = services.dbus.call(lookup);
    if (!metas.ok) {
        return SwitchSupport::dbusFailure(name, lookup, metas);
    }
    if (resultCount(metas) == 0) {
        return SwitchSupport::tabNotFound(name, location.tty, std::nullopt, std::nullopt);
    }

    std::uint32_t timestamp = services.windows.serverTime().value_or(0);
    DBusCall call{service, path, interface, QStringLiteral("ActivateResult"),
                  QVariantList{QString::fromStdString(uuid), QStringList{},
                               QVariant::fromValue<uint>(timestamp)}};
    DBusReply reply = services.dbus.call(call);
    if (!reply.ok) {
        return SwitchSupport::dbusFailure(name, call, reply);
    }
    return SwitchSupport::logSelected(name, location.tty);
}

} // namespace quillo::GnomeTerminalController
