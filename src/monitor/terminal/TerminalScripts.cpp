// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalScripts.h"

namespace quillo::TerminalScripts {

namespace {

constexpr std::string_view appleTerminalHead = "tell application \"Terminal\"\n"
                                               "    activate\n"
                                               "    repeat with w in windows\n"
                                               "        repeat with t in tabs of w\n"
                                               "            if (tty of t) is \"";

constexpr std::string_view appleTerminalTail = "\" then\n"
                                               "                set selected of t to true\n"
                                               "                set frontmost of w to true\n"
                                               "                return \"matched\"\n"
                                               "            end if\n"
                                               "        end repeat\n"
                                               "    end repeat\n"
                                               "    return \"not_found\"\n"
                                               "end tell";

constexpr std::string_view iterm2Head = "tell application \"iTerm\"\n"
                                        "    activate\n"
                                        "    repeat with w in windows\n"
                                        "        repeat with t in tabs of w\n"
                                        "            repeat with s in sessions of t\n"
                                        "                if (tty of s) is \"";

constexpr std::string_view iterm2Tail = "\" then\n"
                                        "                    select s\n"
                                        "                    select t\n"
                                        "                    tell w to select\n"
                                        "                    return \"matched\"\n"
                                        "                end if\n"
                                        "            end repeat\n"
                                        "        end repeat\n"
                                        "    end repeat\n"
                                        "    return \"not_found\"\n"
                                        "end tell";

constexpr std::string_view appleTerminalList = "tell application \"Terminal\"\n"
                                               "    set out to \"\"\n"
                                               "    repeat with w in windows\n"
                                               "        repeat with t in tabs of w\n"
                                               "            set out to out & (tty of t) & \",\"\n"
                                               "        end repeat\n"
                                               "    end repeat\n"
                                               "    return out\n"
                                               "end tell";

std::string build(std::string_view head, std::string_view tty, std::string_view tail) {
    std::string script;
    script.reserve(head.size() + tty.size() + tail.size());
    script.append(head).append(tty).append(tail);
    return script;
}

} // namespace

std::string appleTerminalSwitch(std::string_view tty) {
    return build(appleTerminalHead, tty, appleTerminalTail);
}

std::string iterm2Switch(std::string_view tty) {
    return build(iterm2Head, tty, iterm2Tail);
}

std::string_view appleTerminalListTTYs() {
    return appleTerminalList;
}

} // namespace quillo::TerminalScripts
