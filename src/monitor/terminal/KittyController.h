// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TabSelection.h"

namespace quillo::KittyController {

// Selects the session's tab through the terminal's own control interface, at
// the address the terminal left in the Claude Code process's environment.
TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location);

} // namespace quillo::KittyController
