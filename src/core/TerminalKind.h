// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quillo {

// The terminal application a Claude Code session runs in. `unknown` is a real
// case (shown as such); an identifier that matches nothing gives no kind at all.
// The first five are the macOS terminals the phone protocol has always named;
// the Linux terminals follow.
enum class TerminalKind {
    appleTerminal,
    iterm2,
    ghostty,
    warp,
    vscode,
    gnomeTerminal,
    konsole,
    kitty,
    wezterm,
    tmux,
    alacritty,
    foot,
    xterm,
    tilix,
    terminator,
    unknown,
};

inline constexpr std::array allTerminalKinds{
    TerminalKind::appleTerminal, TerminalKind::iterm2,    TerminalKind::ghostty,
    TerminalKind::warp,          TerminalKind::vscode,    TerminalKind::gnomeTerminal,
    TerminalKind::konsole,       TerminalKind::kitty,     TerminalKind::wezterm,
    TerminalKind::tmux,          TerminalKind::alacritty, TerminalKind::foot,
    TerminalKind::xterm,         TerminalKind::tilix,     TerminalKind::terminator,
    TerminalKind::unknown,
};

std::string_view rawValue(TerminalKind kind);
std::optional<TerminalKind> terminalKindFromRaw(std::string_view raw);

// The label shown to the user and sent to the phone.
std::string_view displayName(TerminalKind kind);

// True for the terminals whose individual tab (or tmux pane) can be selected,
// not just the window.
bool supportsTabSwitch(TerminalKind kind);

// Maps an application identifier to its kind by exact, case-sensitive comparison.
// On Linux the identifier is the desktop application id (see the table in
// TerminalKind.cpp); the application identification derives it from /proc.
std::optional<TerminalKind> terminalKindFromBundleId(std::optional<std::string_view> bundleId);

} // namespace quillo
