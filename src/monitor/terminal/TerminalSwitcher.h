// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "SwitchResult.h"
#include "TabSelection.h"

#include <memory>

namespace quillo {

// Brings a session's terminal to the front: the window of its terminal
// application and, where the terminal has a control interface (tmux, kitty,
// WezTerm, Konsole, GNOME Terminal; the two script-driven terminals), the very
// tab or pane. Runs on the main thread; every control call is bounded by the
// services' one-second limit.
class TerminalSwitcher {
public:
    explicit TerminalSwitcher(SwitchServices services) : services_(services) {}

    SwitchResult switchTo(const ClaudeProcess& process);

private:
    SwitchServices services_;
};

// The real services: X11 window activation, child processes, the session bus,
// /proc, and no script engine.
class SystemSwitchServices {
public:
    SystemSwitchServices();
    ~SystemSwitchServices();
    SystemSwitchServices(const SystemSwitchServices&) = delete;
    SystemSwitchServices& operator=(const SystemSwitchServices&) = delete;

    SwitchServices services();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quillo
