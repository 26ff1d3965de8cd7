// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/TerminalScripts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillo {
namespace {

std::string lines(const std::vector<std::string>& text) {
    std::string joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        joined += (i ? "\n" : "") + text[i];
    }
    return joined;
}

TEST(TerminalScripts, AreTheExactTextsWithThePathBetweenTheTwoLiterals) {
    const std::string tty = "/dev/ttys003";
    EXPECT_EQ(
        TerminalScripts::appleTerminalSwitch(tty),
        lines({"tell application \"Terminal\"", "    activate", "    repeat with w in windows",
               "        repeat with t in tabs of w",
               "            if (tty of t) is \"/dev/ttys003\" then",
               "                set selected of t to true",
               "                set frontmost of w to true", "                return \"matched\"",
               "            end if", "        end repeat", "    end repeat",
               "    return \"not_found\"", "end tell"}));
    EXPECT_EQ(
        TerminalScripts::iterm2Switch(tty),
        lines({"tell application \"iTerm\"", "    activate", "    repeat with w in windows",
               "        repeat with t in tabs of w", "            repeat with s in sessions of t",
               "                if (tty of s) is \"/dev/ttys003\" then",
               "                    select s", "                    select t",
               "                    tell w to select", "                    return \"matched\"",
               "                end if", "            end repeat", "        end repeat",
               "    end repeat", "    return \"not_found\"", "end tell"}));
    EXPECT_EQ(TerminalScripts::appleTerminalListTTYs(),
              lines({"tell application \"Terminal\"", "    set out to \"\"",
                     "    repeat with w in windows", "        repeat with t in tabs of w",
                     "            set out to out & (tty of t) & \",\"", "        end repeat",
                     "    end repeat", "    return out", "end tell"}));
}

TEST(TerminalScripts, InsertThePathUnchangedAtTheSplitPoint) {
    // The literals around the path are 135 + 209 and 179 + 250 bytes.
    std::string terminal = TerminalScripts::appleTerminalSwitch("/dev/pts/7");
    EXPECT_EQ(terminal.size(), 135u + 10u + 209u);
    EXPECT_EQ(terminal.substr(135, 10), "/dev/pts/7");
    std::string iterm = TerminalScripts::iterm2Switch("");
    EXPECT_EQ(iterm.size(), 179u + 250u);
    EXPECT_EQ(iterm.back(), 'l'); // no line feed after "end tell"
}

} // namespace
} // namespace quillo
