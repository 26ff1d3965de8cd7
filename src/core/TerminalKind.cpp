// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalKind.h"

namespace quillo {

namespace {

struct KindInfo {
    TerminalKind kind;
    std::string_view raw;
    std::string_view displayName;
    std::string_view bundleId; // empty: recognised by no identifier
    bool supportsTabSwitch;
};

constexpr std::array kinds{
    KindInfo{TerminalKind::appleTerminal, "appleTerminal", "Terminal", "com.apple.Terminal", true},
    KindInfo{TerminalKind::iterm2, "iterm2", "iTerm2", "com.googlecode.iterm2", true},
    KindInfo{TerminalKind::ghostty, "ghostty", "Ghostty", "com.mitchellh.ghostty", false},
    KindInfo{TerminalKind::warp, "warp", "Warp", "dev.warp.Warp-Stable", false},
    KindInfo{TerminalKind::vscode, "vscode", "VS Code", "com.microsoft.VSCode", false},
    KindInfo{TerminalKind::gnomeTerminal, "gnomeTerminal", "GNOME Terminal", "org.gnome.Terminal", true},
    KindInfo{TerminalKind::konsole, "konsole", "Konsole", "org.kde.konsole", true},
    KindInfo{TerminalKind::kitty, "kitty", "kitty", "kitty", true},
    KindInfo{TerminalKind::wezterm, "wezterm", "WezTerm", "org.wezfurlong.wezterm", true},
    KindInfo{TerminalKind::tmux, "tmux", "tmux", "tmux", true},
    KindInfo{TerminalKind::alacritty, "alacritty", "Alacritty", "Alacritty", false},
    KindInfo{TerminalKind::foot, "foot", "foot", "foot", false},
    KindInfo{TerminalKind::xterm, "xterm", "xterm", "xterm", false},
    KindInfo{TerminalKind::tilix, "tilix", "Tilix", "com.gexperts.Tilix", false},
    KindInfo{TerminalKind::terminator, "terminator", "Terminator", "terminator", false},
    KindInfo{TerminalKind::unknown, "unknown", "未知终端", "", false},
};

const KindInfo& info(TerminalKind kind) {
    for (const KindInfo& k : kinds) {
        if (k.kind == kind) {
            return k;
        }
    }
    return kinds.back();
}

} // namespace

std::string_view rawValue(TerminalKind kind) {
    return info(kind).raw;
}

std::optional<TerminalKind> terminalKindFromRaw(std::string_view raw) {
    for (const KindInfo& k : kinds) {
        if (k.raw == raw) {
            return k.kind;
        }
    }
    return std::nullopt;
}

std::string_view displayName(TerminalKind kind) {
    return info(kind).displayName;
}

bool supportsTabSwitch(TerminalKind kind) {
    return info(kind).supportsTabSwitch;
}

std::optional<TerminalKind> terminalKindFromBundleId(std::optional<std::string_view> bundleId) {
    if (!bundleId || bundleId->empty()) {
        return std::nullopt;
    }
    for (const KindInfo& k : kinds) {
        if (!k.bundleId.empty() && k.bundleId == *bundleId) {
            return k.kind;
        }
    }
    return std::nullopt;
}

} // namespace quillo
