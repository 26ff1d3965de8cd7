// SPDX-License-Identifier: GPL-3.0-or-later
#include "KonsoleController.h"

namespace quillo::KonsoleController {

TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location) {
    constexpr std::string_view name = "Konsole";
    auto service = SwitchSupport::claudeEnvironment(services, process, "KONSOLE_DBUS_SERVICE");
    if (!service) {
        return SwitchSupport::missingVariable(name, "KONSOLE_DBUS_SERVICE");
    }
    auto window = SwitchSupport::claudeEnvironment(services, process, "KONSOLE_DBUS_WINDOW");
    if (!window) {
        return SwitchSupport::missingVariable(name, "KONSOLE_DBUS_WINDOW");
    }
    // "/Sessions/3": the window selects a tab by that session number.
    auto sessionPath = SwitchSupport::claudeEnvironment(services, process, "KONSOLE_DBUS_SESSION");
    constexpr std::string_view prefix = "/Sessions/";
    std::optional<int> session;
    if (sessionPath && sessionPath->starts_with(prefix)) {
        session =
            SwitchSupport::parseNumber<int>(std::string_view(*sessionPath).substr(prefix.size()));
    }
    if (!session) {
        return SwitchSupport::missingVariable(name, "KONSOLE_DBUS_SESSION");
    }
    DBusCall call{QString::fromStdString(*service), QString::fromStdString(*window),
                  QStringLiteral("org.kde.konsole.Window"), QStringLiteral("setCurrentSession"),
                  QVariantList{*session}};
    DBusReply reply = services.dbus.call(call);
    if (!reply.ok) {
        return SwitchSupport::dbusFailure(name, call, reply);
    }
    return SwitchSupport::logSelected(name, location.tty);
}

} // namespace quillo::KonsoleController
