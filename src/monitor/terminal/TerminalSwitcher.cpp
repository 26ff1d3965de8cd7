// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalSwitcher.h"

#include "AppleScriptSwitch.h"
#include "DiagnosticLogger.h"
#include "GnomeTerminalController.h"
#include "KittyController.h"
#include "KonsoleController.h"
#include "SwitchMessages.h"
#include "TmuxController.h"
#include "WezTermController.h"
#include "platform/X11WindowSystem.h"

namespace quillo {

namespace {

// The name used in messages: the script-driven terminals by their
// application names, the others by their display names.
std::string terminalName(TerminalKind kind) {
    switch (kind) {
    case TerminalKind::appleTerminal:
        return "Terminal.app";
    case TerminalKind::iterm2:
        return "iTerm2";
    default:
        return std::string(displayName(kind));
    }
}

std::string optionalText(const std::optional<std::string>& value) {
    return value.value_or("nil");
}

// A tab that was selected is a switch; otherwise the attempt succeeded only if
// the window really came forward, and says why not when it did not.
SwitchResult finish(const TabSelection& selection, std::optional<Activation> activation,
                    std::string_view terminal) {
    // A window the window manager would not make active is not in front of
    // the user, whatever was selected inside it.
    if (activation == Activation::notActivated &&
        selection.outcome != TabSelection::Outcome::failed) {
        return SwitchResult::failed(SwitchMessages::notActivated(terminal));
    }
    switch (selection.outcome) {
    case TabSelection::Outcome::selected:
        return SwitchResult::switched();
    case TabSelection::Outcome::failed:
        return SwitchResult::failed(selection.message);
    case TabSelection::Outcome::notSelected:
        break;
    }
    if (activation == Activation::activated) {
        return SwitchResult::activatedOnly();
    }
    if (!activation) {
        return SwitchResult::failed(SwitchMessages::sessionNotFound(terminal));
    }
    if (activation == Activation::noDisplay) {
        return SwitchResult::failed(SwitchMessages::noDisplay(terminal));
    }
    return SwitchResult::failed(SwitchMessages::noWindow(terminal));
}

} // namespace

SwitchResult TerminalSwitcher::switchTo(const ClaudeProcess& process) {
    const std::optional<TerminalLocation>& location = process.terminal;
    DiagnosticLogger::info(SwitchSupport::category, "切换尝试",
                           {{"processId", process.id},
                            {"kind", location ? std::string(rawValue(location->kind)) : "nil"},
                            {"tty", location ? optionalText(location->tty) : "nil"},
                            {"appPID", location ? std::to_string(location->appPID) : "nil"}});
    if (!location) {
        return SwitchResult::unrecognizedTerminal(SwitchMessages::unrecognizedTerminal());
    }
    const std::string name = terminalName(location->kind);

    if (location->kind == TerminalKind::tmux) {
        // The tmux server has no window; the terminal showing its client is
        // brought forward once the pane is selected.
        auto pane = TmuxController::selectPane(services_, process, *location);
        return finish(pane.selection, pane.activation, name);
    }

    // The application's window first, as the session's own terminal named it.
    Activation activation =
        SwitchSupport::activateWindowOf(services_, name, location->appPID, process.claudePID);

    TabSelection selection;
    switch (location->kind) {
    case TerminalKind::appleTerminal:
        selection = AppleScriptSwitch::appleTerminal(services_.scripts, location->tty);
        break;
    case TerminalKind::iterm2:
        selection = AppleScriptSwitch::iterm2(services_.scripts, location->tty);
        break;
    case TerminalKind::kitty:
        selection = KittyController::selectTab(services_, process, *location);
        break;
    case TerminalKind::wezterm:
        selection = WezTermController::selectTab(services_, process, *location);
        break;
    case TerminalKind::konsole:
        selection = KonsoleController::selectTab(services_, process, *location);
        break;
    case TerminalKind::gnomeTerminal:
        selection = GnomeTerminalController::selectTab(services_, process, *location);
        break;
    default:
        DiagnosticLogger::info(SwitchSupport::category, "终端不支持 tab 定位, 仅激活 app",
                               {{"kind", std::string(rawValue(location->kind))}});
        selection = TabSelection::notSelected();
        break;
    }
    return finish(selection, activation, name);
}

struct SystemSwitchServices::Private {
    UnavailableScriptRunner scripts;
    X11WindowSystem windows;
    ChildProcessCommandRunner commands;
    SessionBusCaller dbus;
};

SystemSwitchServices::SystemSwitchServices() : d(std::make_unique<Private>()) {}
SystemSwitchServices::~SystemSwitchServices() = default;

SwitchServices SystemSwitchServices::services() {
    return SwitchServices{d->scripts, d->windows, d->commands, d->dbus, ProcFs::system()};
}

} // namespace quillo
