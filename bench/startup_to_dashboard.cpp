// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloMac's start-up as a person sees it: from starting the program to its
// dashboard appearing on the screen (the window mapped by the X server, which
// the first frame follows), on a private Xvfb, with onboarding completed so
// that the launch opens the dashboard by itself. The first round also makes
// the home folder's files and pays for cold caches; it is shown apart.
#include "VirtualDisplay.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string windowName(xcb_connection_t* connection, xcb_window_t window) {
    auto cookie = xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME,
                                   XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::string name;
    if (reply != nullptr) {
        name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return name;
}

// Waits for a window named "Quillo Dashboard" to be mapped; its time.
std::optional<Clock::time_point> waitForDashboard(xcb_connection_t* connection,
                                                  Clock::time_point deadline) {
    const int fd = xcb_get_file_descriptor(connection);
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const auto at = Clock::now();
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window =
                mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
            std::free(event);
            if (mapped && windowName(connection, window) == "Quillo Dashboard") {
                return at;
            }
        }
        pollfd poller{fd, POLLIN, 0};
        ::poll(&poller, 1, 50);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_to_dashboard PATH_TO_QuilloMac [ROUNDS]\n");
        return 2;
    }
    const std::string monitor = argv[1];
    const int rounds = argc > 2 ? std::max(2, std::atoi(argv[2])) : 11;
    // The size of an ordinary screen, so the dashboard is placed as on a desktop.
    const quillo::test::VirtualDisplay server("1280x800x24");
    const std::string& display = server.name();
    if (display.empty()) {
        std::printf("skipped: Xvfb cannot start here\n");
        return 0;
    }
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    // One home for every round, as a person's own: the first round makes the
    // phone link's identity and the folders, later ones find them.
    char pattern[] = "/tmp/quillo-startup-XXXXXX";
    const std::filesystem::path home = ::mkdtemp(pattern);
    std::filesystem::create_directories(home / ".config/quillo");
    std::ofstream(home / ".config/quillo/QuilloMac.conf")
        << "[General]\nquillo.onboardingCompleted=true\n";
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            const std::string h = home.string();
            ::setenv("HOME", h.c_str(), 1);
            ::setenv("XDG_DATA_HOME", (h + "/.local/share").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (h + "/.config").c_str(), 1);
            ::setenv("XDG_STATE_HOME", (h + "/.local/state").c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", h.c_str(), 1);
            ::setenv("DISPLAY", display.c_str(), 1);
            ::setenv("QUILLO_TRANSPORT_PORT", "0", 1);
            ::unsetenv("QT_QPA_PLATFORM");
            ::unsetenv("WAYLAND_DISPLAY");
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(monitor.c_str(), monitor.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto shown = waitForDashboard(connection, start + std::chrono::seconds(30));
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        if (!shown) {
            std::printf("round %d: the dashboard did not appear within 30 s\n", round + 1);
            continue;
        }
        times.push_back(std::chrono::duration<double, std::milli>(*shown - start).count());
    }
    std::filesystem::remove_all(home);
    xcb_disconnect(connection);
    if (times.size() < 2) {
        return 1;
    }
    std::printf("start to dashboard on screen, first (cold) run: %.0f ms\n", times.front());
    std::vector<double> warm(times.begin() + 1, times.end());
    std::sort(warm.begin(), warm.end());
    std::printf("start to dashboard on screen, %zu further runs: median %.0f ms, min %.0f ms, "
                "max %.0f ms\n",
                warm.size(), warm[warm.size() / 2], warm.front(), warm.back());
    return 0;
}
