#include "platform/X11WindowSystem.h"
#include "TempDir.h"
#include "VirtualDisplay.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillo {
namespace {

using test::VirtualDisplay;

TEST(X11WindowSystem, WithoutADisplayNothingIsActivated) {
    X11WindowSystem none{std::string()};
    EXPECT_EQ(none.activate(1, std::nullopt), Activation::noDisplay);
    EXPECT_EQ(none.serverTime(), std::nullopt);
    // A display name that leads nowhere is no display either.
    X11WindowSystem unreachable{std::string(":4711")};
    EXPECT_EQ(unreachable.activate(1, std::nullopt), Activation::noDisplay);
}

// Plays the window manager: it publishes the client list and takes the
// activation requests that clients send to the root window.
class TinyWindowManager {
public:
    explicit TinyWindowManager(const std::string& display) {
        c_ = xcb_connect(display.c_str(), &screen_);
        xcb_ewmh_init_atoms_replies(&ewmh_, xcb_ewmh_init_atoms(c_, &ewmh_), nullptr);
        root_ = ewmh_.screens[screen_]->root;
        std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    }
    ~TinyWindowManager() {
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
        xcb_flush(c_);
        return window;
    }

    // The window of the next _NET_ACTIVE_WINDOW request, if it came from a
    // pager with a real timestamp.
    std::optional<xcb_window_t> nextActivation() {
        xcb_flush(c_);
        for (int attempt = 0; attempt < 200; ++attempt) {
            std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(c_),
                                                                             &std::free);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
                ::poll(&fd, 1, 50);
                continue;
            }
            if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
                continue;
            }
            auto* message = reinterpret_cast<xcb_client_message_event_t*>(event.get());
            if (message->type == ewmh_._NET_ACTIVE_WINDOW && message->data.data32[0] == 2 &&
                message->data.data32[1] != 0) {
                return message->window;
            }
        }
        return std::nullopt;
    }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_ewmh_connection_t ewmh_{};
    int screen_ = 0;
    xcb_window_t root_ = 0;
    std::vector<xcb_window_t> clients_;
};

TEST(X11WindowSystem, AsksTheWindowManagerToActivateAWindowOfThePid) {
    VirtualDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no Xvfb to run a virtual display";
    }
    TinyWindowManager manager(display.name());
    xcb_window_t first = manager.addClient(4321);
    manager.addClient(77);
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
    EXPECT_NE(manager.nextActivation(), first);
    EXPECT_EQ(windows.activate(9999, std::nullopt), Activation::noWindow);
}

} // namespace
} // namespace quillo
