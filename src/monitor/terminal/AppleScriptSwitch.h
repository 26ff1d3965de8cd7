// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TabSelection.h"

namespace quillo::AppleScriptSwitch {

// Select the tab of the two terminals that take Apple events, by script.
TabSelection appleTerminal(ScriptRunner& runner, const std::optional<std::string>& tty);
TabSelection iterm2(ScriptRunner& runner, const std::optional<std::string>& tty);

} // namespace quillo::AppleScriptSwitch
