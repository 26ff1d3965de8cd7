// SPDX-License-Identifier: GPL-3.0-or-later
#include "KittyController.h"

namespace quillo::KittyController {

// Needs remote control enabled in the user's kitty configuration
// (allow_remote_control and listen_on); without it the command fails and
// says so.
TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location) {
    constexpr std::string_view name = "kitty";
    auto listenOn = SwitchSupport::claudeEnvironment(services, process, "KITTY_LISTEN_ON");
    if (!listenOn) {
        return SwitchSupport::missingVariable(name, "KITTY_LISTEN_ON");
    }
    auto windowId = SwitchSupport::claudeEnvironment(services, process, "KITTY_WINDOW_ID");
    if (!windowId || !SwitchSupport::parseNumber<unsigned>(*windowId)) {
        return SwitchSupport::missingVariable(name, "KITTY_WINDOW_ID");
    }
    std::vector<std::string> argv{"kitty",        "@",       "--to",           *listenOn,
                                  "focus-window", "--match", "id:" + *windowId};
    ChildProcess::Result result = services.commands.run(argv);
    if (result.succeeded()) {
        return SwitchSupport::logSelected(name, location.tty);
    }
    // The window (tab) was closed since the session started.
    if (result.started && !result.timedOut &&
        result.standardError.find("No matching windows") != std::string::npos) {
        return SwitchSupport::tabNotFound(name, location.tty, std::nullopt, std::nullopt);
    }
    return SwitchSupport::commandFailure(name, argv, result);
}

} // namespace quillo::KittyController
