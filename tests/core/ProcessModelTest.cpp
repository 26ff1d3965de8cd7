// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClaudeProcess.h"
#include "ProcessState.h"
#include "TerminalKind.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(ProcessModel, StatesRoundTripThroughRawValuesAndRejectOthers) {
    for (ProcessState state : allProcessStates) {
        EXPECT_EQ(processStateFromRaw(rawValue(state)), state);
    }
    EXPECT_EQ(processStateFromRaw("waiting_input"), ProcessState::waitingInput);
    EXPECT_EQ(processStateFromRaw("waiting"), std::nullopt);
    EXPECT_EQ(processStateFromRaw("Active"), std::nullopt);
}

TEST(ProcessModel, TerminalKindsMatchIdentifiersExactlyAndOnlyRawValues) {
    EXPECT_EQ(terminalKindFromBundleId("com.googlecode.iterm2"), TerminalKind::iterm2);
    EXPECT_EQ(terminalKindFromBundleId("com.apple.terminal"), std::nullopt);
    EXPECT_EQ(terminalKindFromBundleId("COM.MICROSOFT.VSCODE"), std::nullopt);
    EXPECT_EQ(terminalKindFromBundleId(std::nullopt), std::nullopt);
    EXPECT_EQ(terminalKindFromBundleId(""), std::nullopt);

    EXPECT_EQ(terminalKindFromRaw("unknown"), TerminalKind::unknown);
    EXPECT_EQ(terminalKindFromRaw("Terminal"), std::nullopt); // a display name
    for (TerminalKind kind : allTerminalKinds) {
        EXPECT_EQ(terminalKindFromRaw(rawValue(kind)), kind);
    }
    for (TerminalKind kind : {TerminalKind::appleTerminal, TerminalKind::iterm2, TerminalKind::tmux,
                              TerminalKind::kitty, TerminalKind::wezterm, TerminalKind::konsole,
                              TerminalKind::gnomeTerminal}) {
        EXPECT_TRUE(supportsTabSwitch(kind)) << rawValue(kind);
    }
    for (TerminalKind kind : {TerminalKind::ghostty, TerminalKind::vscode, TerminalKind::alacritty,
                              TerminalKind::unknown}) {
        EXPECT_FALSE(supportsTabSwitch(kind)) << rawValue(kind);
    }
    EXPECT_EQ(terminalKindFromBundleId("org.gnome.Terminal"), TerminalKind::gnomeTerminal);
    EXPECT_EQ(terminalKindFromBundleId("org.gnome.terminal"), std::nullopt);
    EXPECT_EQ(displayName(TerminalKind::unknown), "未知终端");
}

TEST(ProcessModel, ValuesCompareEveryField) {
    TerminalLocation withTty{TerminalKind::iterm2, 10, 11, "/dev/pts/1"};
    TerminalLocation withoutTty = withTty;
    withoutTty.tty.reset();
    EXPECT_NE(withTty, withoutTty);

    ClaudeProcess a{"s1", "proj", ProcessState::active, timestampFromSeconds(1),
                    timestampFromSeconds(2), "/tmp", 42, withTty};
    ClaudeProcess b = a;
    EXPECT_EQ(a, b);
    b.stateChangedAt = timestampFromSeconds(3);
    EXPECT_NE(a, b);
}

} // namespace
} // namespace quillo
