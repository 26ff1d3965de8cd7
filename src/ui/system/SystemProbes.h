// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>
#include <string>

namespace quillo {

// The questions the system checks ask of the computer, one call each. A call
// may block (a bus round trip, a display connection); the checks run them off
// the main thread, each within a time limit. Absent answers mean the probe
// could not tell.
class SystemProbes {
public:
    enum class Daemon { running, stopped, notInstalled };

    struct Display {
        std::optional<std::string> x11;     // $DISPLAY
        std::optional<std::string> wayland; // $WAYLAND_DISPLAY
        bool x11Reachable = false;          // a round trip to the X server worked
    };

    virtual ~SystemProbes() = default;

    // avahi-daemon on the system bus; absent when the bus did not answer.
    virtual std::optional<Daemon> avahiDaemon() = 0;
    // A TCP socket listens on the port (any address); absent when that cannot
    // be read.
    virtual std::optional<bool> portListening(quint16 port) = 0;
    virtual Display display() = 0;
    // The program is in PATH, or in the system directories where firewall
    // tools live.
    virtual bool commandFound(const std::string& name) = 0;
    // The text of the user's kitty.conf; absent when there is none.
    virtual std::optional<std::string> kittyConfig() = 0;
};

// The real computer: the system bus, /proc/net, $DISPLAY and the X server,
// PATH, the user's configuration folder.
class LinuxSystemProbes : public SystemProbes {
public:
    std::optional<Daemon> avahiDaemon() override;
    std::optional<bool> portListening(quint16 port) override;
    Display display() override;
    bool commandFound(const std::string& name) override;
    std::optional<std::string> kittyConfig() override;
};

} // namespace quillo
