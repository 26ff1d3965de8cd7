// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

// The outcome of asking the desktop to bring an application's window forward.
enum class Activation {
    activated,    // one of its windows became the active window
    noWindow,     // the process has no top-level window on this display
    noDisplay,    // no X11 display to talk to (for example a pure Wayland session)
    notActivated, // the window manager was asked but did not make it active
};

std::string_view rawValue(Activation activation);

// Brings application windows to the front.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Activates a top-level window of `pid`: `preferredWindow` when it belongs to
    // that process (terminals tell their children their window in WINDOWID),
    // else the topmost one.
    virtual Activation activate(std::int32_t pid, std::optional<std::uint32_t> preferredWindow) = 0;

    // The display server's current time, for requests that want a real user
    // timestamp; nothing without a display.
    virtual std::optional<std::uint32_t> serverTime() = 0;

    // The process whose window has the focus (the window manager's active
    // window); nothing without a display, without an active window, or when
    // that window names no process.
    virtual std::optional<std::int32_t> activeWindowPid() = 0;
};

// For tests: processes get windows by `addWindow`; every request is recorded.
class FakeWindowSystem : public WindowSystem {
public:
    struct Request {
        std::int32_t pid = 0;
        std::optional<std::uint32_t> preferredWindow;
        std::optional<std::uint32_t> activatedWindow;

        bool operator==(const Request&) const = default;
    };

    void addWindow(std::int32_t pid, std::uint32_t window) { windows_[pid].push_back(window); }
    void setDisplayAvailable(bool available) { displayAvailable_ = available; }
    // The window manager is asked but makes no window active.
    void setRefusing(bool refusing) { refusing_ = refusing; }
    void setActiveWindowPid(std::optional<std::int32_t> pid) { activePid_ = pid; }

    Activation activate(std::int32_t pid, std::optional<std::uint32_t> preferredWindow) override;
    std::optional<std::uint32_t> serverTime() override;
    std::optional<std::int32_t> activeWindowPid() override;

    std::vector<Request> requests;

private:
    std::optional<std::int32_t> activePid_;
    std::map<std::int32_t, std::vector<std::uint32_t>> windows_;
    bool displayAvailable_ = true;
    bool refusing_ = false;
};

} // namespace quillo
