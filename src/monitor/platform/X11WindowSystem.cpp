// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11WindowSystem.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>

namespace quillo {

namespace {

constexpr int eventWaitMilliseconds = 1000;
// How long the window manager gets to make the window the active one.
constexpr int activationWaitMilliseconds = 1000;
constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

// One connection with the EWMH atoms interned; closed at scope end.
class Connection {
public:
    explicit Connection(const std::string& display) {
        connection_ = xcb_connect(display.c_str(), &screen_);
        if (xcb_connection_has_error(connection_) != 0) {
            return;
        }
        xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection_, &ewmh_);
        ewmhReady_ = xcb_ewmh_init_atoms_replies(&ewmh_, cookies, nullptr) != 0;
    }
    ~Connection() {
        if (ewmhReady_) {
            xcb_ewmh_connection_wipe(&ewmh_);
        }
        xcb_disconnect(connection_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ready() const { return ewmhReady_; }
    xcb_connection_t* xcb() { return connection_; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }
    int screen() const { return screen_; }
    xcb_window_t root() { return ewmh_.screens[screen_]->root; }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    int screen_ = 0;
    bool ewmhReady_ = false;
};

std::vector<xcb_window_t> clientWindows(Connection& c) {
    // Stacking order (bottom to top) lets us pick the window the user saw last.
    xcb_ewmh_get_windows_reply_t reply;
    std::vector<xcb_window_t> windows;
    if (xcb_ewmh_get_client_list_stacking_reply(
            c.ewmh(), xcb_ewmh_get_client_list_stacking(c.ewmh(), c.screen()), &reply, nullptr)) {
        windows.assign(reply.windows, reply.windows + reply.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&reply);
    }
    if (windows.empty() &&
        xcb_ewmh_get_client_list_reply(c.ewmh(), xcb_ewmh_get_client_list(c.ewmh(), c.screen()),
                                       &reply, nullptr)) {
        windows.assign(reply.windows, reply.windows + reply.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&reply);
    }
    return windows;
}

std::vector<std::uint32_t> windowsOfPid(Connection& c, std::int32_t pid) {
    std::vector<xcb_window_t> all = clientWindows(c);
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(all.size());
    for (xcb_window_t window : all) {
        cookies.push_back(xcb_ewmh_get_wm_pid(c.ewmh(), window));
    }
    std::vector<std::uint32_t> result;
    for (std::size_t i = 0; i < all.size(); ++i) {
        std::uint32_t windowPid = 0;
        if (xcb_ewmh_get_wm_pid_reply(c.ewmh(), cookies[i], &windowPid, nullptr) &&
            windowPid == static_cast<std::uint32_t>(pid)) {
            result.push_back(all[i]);
        }
    }
    return result;
}

// The server time: append nothing to a property of a private window and read
// the time stamp of the resulting PropertyNotify event.
std::optional<std::uint32_t> currentTime(Connection& c) {
    xcb_connection_t* conn = c.xcb();
    xcb_window_t window = xcb_generate_id(conn);
    std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, c.root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_change_property(conn, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    xcb_flush(conn);

    std::optional<std::uint32_t> time;
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(eventWaitMilliseconds);
    while (!time) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(conn),
                                                                         &std::free);
        if (event) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
                if (notify->window == window) {
                    time = notify->time;
                }
            }
            continue;
        }
        if (xcb_connection_has_error(conn) != 0) {
            break;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd fd{xcb_get_file_descriptor(conn), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
    xcb_destroy_window(conn, window);
    xcb_flush(conn);
    return time;
}

// Sends the _NET_ACTIVE_WINDOW message and waits until the server has
// processed it. The connection is closed right after this returns, and a
// server that sees a client hang up may drop requests it has not read yet, so
// only a checked request (which costs a round trip) proves that the window
// manager was really asked.
Activation requestActivation(Connection& c, xcb_window_t target, std::uint32_t time) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = target;
    message.type = c.ewmh()->_NET_ACTIVE_WINDOW;
    message.data.data32[0] = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;
    message.data.data32[1] = time;
    message.data.data32[2] = XCB_NONE;
    xcb_void_cookie_t cookie = xcb_send_event_checked(c.xcb(), 0, c.root(),
                                                      XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                                          XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                                                      reinterpret_cast<const char*>(&message));
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(c.xcb(), cookie), &std::free);
    // A connection that broke on the way gives no error either.
    if (xcb_connection_has_error(c.xcb()) != 0) {
        return Activation::noDisplay;
    }
    return error ? Activation::noWindow : Activation::activated;
}

bool isSticky(Connection& c, xcb_window_t window) {
    xcb_ewmh_get_atoms_reply_t states;
    if (!xcb_ewmh_get_wm_state_reply(c.ewmh(), xcb_ewmh_get_wm_state(c.ewmh(), window), &states,
                                     nullptr)) {
        return false;
    }
    bool sticky = std::find(states.atoms, states.atoms + states.atoms_len,
                            c.ewmh()->_NET_WM_STATE_STICKY) != states.atoms + states.atoms_len;
    xcb_ewmh_get_atoms_reply_wipe(&states);
    return sticky;
}

// Window managers activate a window on another desktop only by marking it as
// demanding attention, which shows nothing: the current desktop is switched to
// the window's first, as pagers do. A window on every desktop (sticky) is
// already on the current one.
void showDesktopOf(Connection& c, xcb_window_t window, std::uint32_t time) {
    std::uint32_t desktop = 0;
    if (!xcb_ewmh_get_wm_desktop_reply(c.ewmh(), xcb_ewmh_get_wm_desktop(c.ewmh(), window),
                                       &desktop, nullptr) ||
        desktop == allDesktops || isSticky(c, window)) {
        return;
    }
    std::uint32_t current = 0;
    if (xcb_ewmh_get_current_desktop_reply(
            c.ewmh(), xcb_ewmh_get_current_desktop(c.ewmh(), c.screen()), &current, nullptr) &&
        current == desktop) {
        return;
    }
    // Sent before the activation request, which the window manager then
    // handles on the window's desktop.
    xcb_ewmh_request_change_current_desktop(c.ewmh(), c.screen(), desktop, time);
}

std::optional<xcb_window_t> activeWindow(Connection& c) {
    xcb_window_t window = XCB_NONE;
    if (!xcb_ewmh_get_active_window_reply(
            c.ewmh(), xcb_ewmh_get_active_window(c.ewmh(), c.screen()), &window, nullptr)) {
        return std::nullopt;
    }
    return window;
}

// Whether the window manager made `target` (or another window of the same
// process, such as a dialog it chose to focus instead) the active window
// within the limit. Property changes of the root window were selected before
// the request was sent, so a change made right after it is not missed.
bool becameActive(Connection& c, xcb_window_t target, const std::vector<std::uint32_t>& windows,
                  std::optional<xcb_window_t> before) {
    auto isOurs = [&](std::optional<xcb_window_t> active) {
        return active &&
               (*active == target || (active != before && std::find(windows.begin(), windows.end(),
                                                                    *active) != windows.end()));
    };
    if (isOurs(activeWindow(c))) {
        return true;
    }
    xcb_connection_t* conn = c.xcb();
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(activationWaitMilliseconds);
    while (true) {
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(conn),
                                                                         &std::free);
        if (event) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
                if (notify->window == c.root() && notify->atom == c.ewmh()->_NET_ACTIVE_WINDOW &&
                    isOurs(activeWindow(c))) {
                    return true;
                }
            }
            continue;
        }
        if (xcb_connection_has_error(conn) != 0) {
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fd{xcb_get_file_descriptor(conn), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
}

} // namespace

X11WindowSystem::X11WindowSystem(std::optional<std::string> display)
    : display_(std::move(display)) {}

std::optional<std::string> X11WindowSystem::displayName() const {
    if (display_) {
        return display_->empty() ? std::nullopt : display_;
    }
    const char* env = std::getenv("DISPLAY");
    if (env == nullptr || *env == '\0') {
        return std::nullopt;
    }
    return std::string(env);
}

std::optional<std::vector<std::uint32_t>> X11WindowSystem::windowsOf(std::int32_t pid) {
    auto name = displayName();
    if (!name) {
        return std::nullopt;
    }
    Connection c(*name);
    if (!c.ready()) {
        return std::nullopt;
    }
    return windowsOfPid(c, pid);
}

Activation X11WindowSystem::activate(std::int32_t pid,
                                     std::optional<std::uint32_t> preferredWindow) {
    auto name = displayName();
    if (!name) {
        return Activation::noDisplay;
    }
    Connection c(*name);
    if (!c.ready()) {
        return Activation::noDisplay;
    }
    std::vector<std::uint32_t> windows = windowsOfPid(c, pid);
    if (windows.empty()) {
        return Activation::noWindow;
    }
    std::uint32_t target = windows.back();
    if (preferredWindow &&
        std::find(windows.begin(), windows.end(), *preferredWindow) != windows.end()) {
        target = *preferredWindow;
    }
    std::uint32_t time = currentTime(c).value_or(XCB_CURRENT_TIME);
    std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c.xcb(), c.root(), XCB_CW_EVENT_MASK, &mask);
    const std::optional<xcb_window_t> before = activeWindow(c);
    showDesktopOf(c, target, time);
    Activation requested = requestActivation(c, target, time);
    if (requested != Activation::activated) {
        return requested;
    }
    // Asked is not done: only a window that really became active is in front
    // of the user.
    return becameActive(c, target, windows, before) ? Activation::activated
                                                    : Activation::notActivated;
}

std::optional<std::uint32_t> X11WindowSystem::serverTime() {
    auto name = displayName();
    if (!name) {
        return std::nullopt;
    }
    Connection c(*name);
    if (!c.ready()) {
        return std::nullopt;
    }
    return currentTime(c);
}

std::optional<std::int32_t> X11WindowSystem::activeWindowPid() {
    auto name = displayName();
    if (!name) {
        return std::nullopt;
    }
    Connection c(*name);
    if (!c.ready()) {
        return std::nullopt;
    }
    xcb_window_t active = XCB_NONE;
    if (!xcb_ewmh_get_active_window_reply(
            c.ewmh(), xcb_ewmh_get_active_window(c.ewmh(), c.screen()), &active, nullptr) ||
        active == XCB_NONE) {
        return std::nullopt;
    }
    std::uint32_t pid = 0;
    if (!xcb_ewmh_get_wm_pid_reply(c.ewmh(), xcb_ewmh_get_wm_pid(c.ewmh(), active), &pid,
                                   nullptr) ||
        pid == 0) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(pid);
}

} // namespace quillo
