// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TabSelection.h"

namespace quillo::TmuxController {

struct PaneSelection {
    TabSelection selection;
    // Whether the terminal showing the tmux client came forward; absent when
    // there was no client to bring forward.
    std::optional<Activation> activation;
};

// Selects the pane whose tty is the session's (else the pane in TMUX_PANE) on
// the server named by TMUX in the Claude Code process's environment: its window,
// the pane, and a client showing its session; then brings that client's
// terminal (and, where the terminal can be told, its tab) forward. Without an
// attached client nobody sees the pane, which is a failure.
PaneSelection selectPane(const SwitchServices& services, const ClaudeProcess& process,
                         const TerminalLocation& location);

TabSelection selectTab(const SwitchServices& services, const ClaudeProcess& process,
                       const TerminalLocation& location);

} // namespace quillo::TmuxController
