// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WindowSystem.h"

#include <optional>
#include <string>

namespace quillo {

// Activation through the EWMH conventions of X11: the windows of a process are
// the managed clients whose _NET_WM_PID is its pid, and the window manager is
// asked to activate one with a _NET_ACTIVE_WINDOW message (source: a pager, with
// a real server timestamp, so focus-stealing prevention lets it through). Opens
// a connection per call: switches are rare and the display may come and go.
class X11WindowSystem : public WindowSystem {
public:
    // `display` absent: $DISPLAY. Without a display name nothing is attempted.
    explicit X11WindowSystem(std::optional<std::string> display = std::nullopt);

    Activation activate(std::int32_t pid, std::optional<std::uint32_t> preferredWindow) override;
    std::optional<std::uint32_t> serverTime() override;
    std::optional<std::int32_t> activeWindowPid() override;

    // The managed top-level windows of `pid`, bottom to top; nothing without a
    // display.
    std::optional<std::vector<std::uint32_t>> windowsOf(std::int32_t pid);

private:
    std::optional<std::string> displayName() const;

    std::optional<std::string> display_;
};

} // namespace quillo
