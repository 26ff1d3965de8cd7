#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quillo {

// The terminal application a Claude Code session runs in. `unknown` is a real
// case (shown as such); an identifier that matches nothing gives no kind at all.
enum class TerminalKind { appleTerminal, iterm2, ghostty, warp, vscode, unknown };

inline constexpr std::array allTerminalKinds{
    TerminalKind::appleTerminal, TerminalKind::iterm2, TerminalKind::ghostty,
    TerminalKind::warp,          TerminalKind::vscode, TerminalKind::unknown,
};

std::string_view rawValue(TerminalKind kind);
std::optional<TerminalKind> terminalKindFromRaw(std::string_view raw);

// The label shown to the user and sent to the phone.
std::string_view displayName(TerminalKind kind);

// True for the terminals whose individual tab can be selected, not just the window.
bool supportsTabSwitch(TerminalKind kind);

// Maps an application identifier to its kind by exact, case-sensitive comparison.
std::optional<TerminalKind> terminalKindFromBundleId(std::optional<std::string_view> bundleId);

} // namespace quillo
