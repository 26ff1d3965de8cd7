// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillo::TerminalScripts {

// The scripts that select the tab (and, in iTerm2, the session) whose device
// path is `tty`. They return "matched" or "not_found". The path is inserted as
// stored, unescaped: it comes from the kernel, never from the user.
std::string appleTerminalSwitch(std::string_view tty);
std::string iterm2Switch(std::string_view tty);

// Lists the device paths of all Terminal tabs, each followed by a comma.
std::string_view appleTerminalListTTYs();

} // namespace quillo::TerminalScripts
