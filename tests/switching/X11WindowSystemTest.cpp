// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/X11WindowSystem.h"
#include "TempDir.h"
#include "VirtualDisplay.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillo {
namespace {

using test::VirtualDisplay;

TEST(X11WindowSystem, WithoutADisplayNothingIsActivated) {
    X11WindowSystem none{std::string()};
    EXPECT_EQ(none.activate(1, std::nullopt), Activation::noDisplay);
    EXPECT_EQ(none.serverTime(), std::nullopt);
    EXPECT_EQ(none.activeWindowPid(), std::nullopt);
    // A display name that leads nowhere is no display either.
    X11WindowSystem unreachable{std::string(":4711")};
    EXPECT_EQ(unreachable.activate(1, std::nullopt), Activation::noDisplay);
}

// Plays the window manager: it publishes the client list and, on a thread of
// its own, takes the activation requests that clients send to the root
// window; an obliging one then makes the window the active one, a stubborn one
// only notes the request.
class TinyWindowManager {
public:
    explicit TinyWindowManager(const std::string& display, bool obliging = true)
        : obliging_(obliging) {
        c_ = xcb_connect(display.c_str(), &screen_);
        xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(c_, &ewmh_), nullptr);
        root_ = ewmh_.screens[screen_]->root;
        std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        sync();
        thread_ = std::thread([this] { serve(); });
    }
    ~TinyWindowManager() {
        stop_ = true;
        thread_.join();
        xcb_ewmh_connection_wipe(&ewmh_);
        xcb_disconnect(c_);
    }

    xcb_window_t addClient(std::uint32_t pid) {
        xcb_window_t window = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_ewmh_set_wm_pid(&ewmh_, window, pid);
        clients_.push_back(window);
        xcb_ewmh_set_client_list_stacking(
            &ewmh_, screen_, static_cast<std::uint32_t>(clients_.size()), clients_.data());
        sync();
        return window;
    }

    // The window with the focus; XCB_NONE when none has it. A window made
    // here without a pid stands for one whose process is unknown.
    xcb_window_t setActive(xcb_window_t window, bool withPid = true) {
        if (!withPid) {
            window = xcb_generate_id(c_);
            xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 10, 10, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        }
        xcb_ewmh_set_active_window(&ewmh_, screen_, window);
        sync();
        return window;
    }

    // The window of the oldest activation request not yet taken that came
    // from a pager with a real timestamp. Activation waits until the window
    // manager has answered, so by then the request has been noted.
    std::optional<xcb_window_t> nextActivation() {
        std::lock_guard lock(mutex_);
        if (requests_.empty()) {
            return std::nullopt;
        }
        xcb_window_t window = requests_.front();
        requests_.erase(requests_.begin());
        return window;
    }

private:
    // A round trip: the server has processed everything sent before it, so a
    // second connection sees the client list it published.
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    void serve() {
        while (!stop_) {
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(c_),
                                                                             &std::free);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
                ::poll(&fd, 1, 20);
                continue;
            }
            if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
                continue;
            }
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event.get());
            if (message->type == ewmh_._NET_ACTIVE_WINDOW && message->data.data32[0] == 2 &&
                message->data.data32[1] != 0) {
                {
                    std::lock_guard lock(mutex_);
                    requests_.push_back(message->window);
                }
                if (obliging_) {
                    xcb_ewmh_set_active_window(&ewmh_, screen_, message->window);
                    xcb_flush(c_);
                }
            }
        }
    }

    xcb_connection_t* c_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    int screen_ = 0;
    xcb_window_t root_ = 0;
    std::vector<xcb_window_t> clients_;
    const bool obliging_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::vector<xcb_window_t> requests_;
    std::thread thread_;
};

TEST(X11WindowSystem, AsksTheWindowManagerToActivateAWindowOfThePid) {
    VirtualDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no Xvfb to run a virtual display";
    }
    TinyWindowManager manager(display.name());
    xcb_window_t first = manager.addClient(4321);
    xcb_window_t other = manager.addClient(77);
    xcb_window_t top = manager.addClient(4321);

    X11WindowSystem windows{display.name()};
    EXPECT_TRUE(windows.serverTime().has_value());
    EXPECT_EQ(windows.windowsOf(4321), (std::vector<std::uint32_t>{first, top}));

    EXPECT_EQ(windows.activate(4321, std::nullopt), Activation::activated);
    EXPECT_EQ(manager.nextActivation(), top);
    EXPECT_EQ(windows.activate(4321, first), Activation::activated);
    EXPECT_EQ(manager.nextActivation(), first);
    // A preferred window of another process is not taken.
    EXPECT_EQ(windows.activate(77, first), Activation::activated);
    EXPECT_EQ(manager.nextActivation(), other);
    EXPECT_EQ(windows.activate(9999, std::nullopt), Activation::noWindow);
    EXPECT_EQ(manager.nextActivation(), std::nullopt);
}

TEST(X11WindowSystem, NamesTheProcessOfTheActiveWindow) {
    VirtualDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no Xvfb to run a virtual display";
    }
    TinyWindowManager manager(display.name());
    X11WindowSystem windows{display.name()};
    EXPECT_EQ(windows.activeWindowPid(), std::nullopt) << "no window manager has said one";
    manager.addClient(4321);
    const xcb_window_t terminal = manager.addClient(77);
    manager.setActive(terminal);
    EXPECT_EQ(windows.activeWindowPid(), 77);
    manager.setActive(XCB_NONE, false);
    EXPECT_EQ(windows.activeWindowPid(), std::nullopt);
    manager.setActive(XCB_NONE);
    EXPECT_EQ(windows.activeWindowPid(), std::nullopt);
}

// Every call opens a connection, sends its request and hangs up at once. A
// request the server had not read when the client hung up is lost, so
// "activated" must mean that the server has taken the request; then the
// window manager receives every single one, however busy the machine.
TEST(X11WindowSystem, EveryReportedActivationReachesTheWindowManager) {
    VirtualDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no Xvfb to run a virtual display";
    }
    TinyWindowManager manager(display.name());
    std::vector<xcb_window_t> clients{manager.addClient(501), manager.addClient(501)};
    X11WindowSystem windows{display.name()};
    int lost = 0;
    for (int i = 0; i < 40; ++i) {
        xcb_window_t wanted = clients[i % 2];
        ASSERT_EQ(windows.activate(501, wanted), Activation::activated);
        if (manager.nextActivation() != wanted) {
            ++lost;
        }
    }
    EXPECT_EQ(lost, 0);
}

// A window manager that takes the request and does nothing with it (as one
// does with a window it will not activate) leaves nothing in front of the
// user: that is no success.
TEST(X11WindowSystem, AWindowThatDoesNotBecomeActiveIsNotReportedActivated) {
    VirtualDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no Xvfb to run a virtual display";
    }
    TinyWindowManager manager(display.name(), false);
    xcb_window_t window = manager.addClient(812);
    EXPECT_EQ(X11WindowSystem{display.name()}.activate(812, std::nullopt),
              Activation::notActivated);
    EXPECT_EQ(manager.nextActivation(), window) << "it was asked";
}

// A client of a real window manager: openbox with two virtual desktops.
class DesktopClient {
public:
    explicit DesktopClient(const std::string& display) {
        c_ = xcb_connect(display.c_str(), &screen_);
        xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(c_, &ewmh_), nullptr);
        root_ = ewmh_.screens[screen_]->root;
    }
    ~DesktopClient() {
        xcb_ewmh_connection_wipe(&ewmh_);
        xcb_disconnect(c_);
    }

    // Waits (polling the server, with a generous limit for a busy machine)
    // until `done` holds.
    bool waitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 1500; ++i) {
            if (done()) {
                return true;
            }
            ::usleep(20000);
        }
        return false;
    }

    std::optional<std::uint32_t> cardinal(xcb_get_property_cookie_t cookie) {
        std::uint32_t value = 0;
        if (!xcb_ewmh_get_cardinal_reply(&ewmh_, cookie, &value, nullptr)) {
            return std::nullopt;
        }
        return value;
    }
    std::optional<std::uint32_t> desktops() {
        return cardinal(xcb_ewmh_get_number_of_desktops(&ewmh_, screen_));
    }
    std::optional<std::uint32_t> currentDesktop() {
        return cardinal(xcb_ewmh_get_current_desktop(&ewmh_, screen_));
    }
    std::optional<std::uint32_t> desktopOf(xcb_window_t window) {
        return cardinal(xcb_ewmh_get_wm_desktop(&ewmh_, window));
    }
    xcb_window_t activeWindow() {
        xcb_window_t window = XCB_NONE;
        xcb_ewmh_get_active_window_reply(&ewmh_, xcb_ewmh_get_active_window(&ewmh_, screen_),
                                         &window, nullptr);
        return window;
    }

    // A mapped top-level window of `pid` that the window manager manages,
    // moved to `desktop` (allDesktops: sticky).
    xcb_window_t openWindow(std::uint32_t pid, std::uint32_t desktop) {
        xcb_window_t window = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 100, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_ewmh_set_wm_pid(&ewmh_, window, pid);
        xcb_ewmh_set_wm_name(&ewmh_, window, 4, "term");
        // Mapped again now and then: a window manager that is still starting
        // may have missed the first request.
        int polls = 0;
        bool managed = waitFor([&] {
            if (polls++ % 100 == 0) {
                xcb_unmap_window(c_, window);
                xcb_map_window(c_, window);
                xcb_flush(c_);
            }
            return desktopOf(window).has_value();
        });
        EXPECT_TRUE(managed) << "openbox did not take the window";
        xcb_ewmh_request_change_wm_desktop(&ewmh_, screen_, window, desktop,
                                           XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        if (desktop == 0xFFFFFFFF) {
            xcb_ewmh_request_change_wm_state(&ewmh_, screen_, window, XCB_EWMH_WM_STATE_ADD,
                                             ewmh_._NET_WM_STATE_STICKY, XCB_NONE,
                                             XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        }
        xcb_flush(c_);
        bool moved = waitFor([&] { return desktopOf(window) == desktop; });
        EXPECT_TRUE(moved) << "openbox did not move the window to desktop " << desktop;
        return window;
    }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    int screen_ = 0;
    xcb_window_t root_ = 0;
};

// A window on another virtual desktop is only marked as demanding attention
// when asked to be activated: the switch first shows its desktop, and then it
// is really the active window. A sticky window is on every desktop already.
TEST(X11WindowSystem, AWindowOnAnotherDesktopIsShownThereAndReallyActive) {
    VirtualDisplay display("640x480x24");
    if (display.name().empty()) {
        GTEST_SKIP() << "no Xvfb to run a virtual display";
    }
    test::TempDir config;
    test::writeFile(config / "rc.xml", R"(<?xml version="1.0"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <desktops><number>2</number><firstdesk>1</firstdesk></desktops>
  <focus><focusNew>no</focusNew></focus>
</openbox_config>
)");
    pid_t openbox = ::fork();
    if (openbox == 0) {
        ::setenv("DISPLAY", display.name().c_str(), 1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execlp("openbox", "openbox", "--config-file", (config / "rc.xml").c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    struct Stop {
        pid_t pid;
        ~Stop() {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } stop{openbox};

    DesktopClient client(display.name());
    bool exited = false;
    bool ready = client.waitFor([&] {
        exited = ::waitpid(openbox, nullptr, WNOHANG) == openbox;
        return exited || client.desktops() == 2u;
    });
    if (exited) {
        stop.pid = -1;
        GTEST_SKIP() << "openbox is not installed or did not start";
    }
    ASSERT_TRUE(ready) << "openbox did not set up two desktops";
    xcb_window_t here = client.openWindow(3001, 0);
    xcb_window_t there = client.openWindow(3002, 1);
    xcb_window_t everywhere = client.openWindow(3003, 0xFFFFFFFF);
    ASSERT_EQ(client.currentDesktop(), 0u);

    X11WindowSystem windows{display.name()};
    EXPECT_EQ(windows.activate(3002, std::nullopt), Activation::activated);
    EXPECT_EQ(client.currentDesktop(), 1u);
    EXPECT_EQ(client.activeWindow(), there);

    EXPECT_EQ(windows.activate(3001, std::nullopt), Activation::activated);
    EXPECT_EQ(client.currentDesktop(), 0u);
    EXPECT_EQ(client.activeWindow(), here);

    EXPECT_EQ(windows.activate(3003, std::nullopt), Activation::activated);
    EXPECT_EQ(client.currentDesktop(), 0u) << "a sticky window needs no desktop switch";
    EXPECT_EQ(client.activeWindow(), everywhere);
}

} // namespace
} // namespace quillo
