// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "ProcFs.h"
#include "platform/CommandRunner.h"
#include "platform/DBusCaller.h"
#include "platform/ScriptRunner.h"
#include "platform/WindowSystem.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

// The services a switch uses; the real ones, or fakes in tests.
struct SwitchServices {
    ScriptRunner& scripts;
    WindowSystem& windows;
    CommandRunner& commands;
    DBusCaller& dbus;
    const ProcFs& proc;
};

// What a terminal's own control interface achieved.
struct TabSelection {
    enum class Outcome {
        selected,    // the tab or pane is now the current one
        notSelected, // nothing to select (no tty, tab gone, interface not reachable)
        failed,      // the control call failed; `message` says how
    };

    Outcome outcome = Outcome::notSelected;
    std::string message;

    static TabSelection selected() { return {Outcome::selected, {}}; }
    static TabSelection notSelected() { return {Outcome::notSelected, {}}; }
    static TabSelection failed(std::string message) {
        return {Outcome::failed, std::move(message)};
    }
};

// Helpers shared by the per-terminal controllers.
namespace SwitchSupport {

inline constexpr std::string_view category = "switch";

// A whole decimal number, or nothing.
template <typename Number> std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// One variable of the Claude Code process's environment, where tmux, kitty,
// WezTerm, Konsole and GNOME Terminal leave the address of the tab.
std::optional<std::string> claudeEnvironment(const SwitchServices& services,
                                             const ClaudeProcess& process, std::string_view name);

// Logs that `variable` is missing and no tab can be selected.
TabSelection missingVariable(std::string_view terminal, std::string_view variable);

// Logs a successful selection.
TabSelection logSelected(std::string_view terminal, const std::optional<std::string>& tty);

// Logs that no tab has the expected tty; `currentTTYs` lists those there are.
TabSelection tabNotFound(std::string_view terminal, const std::optional<std::string>& expectedTTY,
                         std::optional<std::string> returned,
                         std::optional<std::string> currentTTYs);

// Logs a failed, timed-out or unstartable command and gives its message.
TabSelection commandFailure(std::string_view terminal, const std::vector<std::string>& argv,
                            const ChildProcess::Result& result);

// Logs a failed D-Bus call and gives its message.
TabSelection dbusFailure(std::string_view terminal, const DBusCall& call, const DBusReply& reply);

std::string joinCommand(const std::vector<std::string>& argv);

// Logs a window that could not be brought forward.
void logNotActivated(std::string_view terminal, std::int32_t pid, Activation activation);

// Activates the window of `pid`, preferring the window its environment names
// (terminals put their X11 window id in WINDOWID); logs when that fails.
Activation activateWindowOf(const SwitchServices& services, std::string_view terminal,
                            std::int32_t pid, std::optional<std::int32_t> environmentPid);

} // namespace SwitchSupport

} // namespace quillo
