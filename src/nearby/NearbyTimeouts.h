// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace quillo {

// Every wait of the nearby link is bounded. Tests shorten these; the protocol
// values are the defaults.
struct NearbyTimeouts {
    // From the TCP connection to the first frame, which must be INVITE.
    std::chrono::milliseconds invite{10'000};
    // How long a browser waits for ACCEPT or DECLINE.
    std::chrono::milliseconds invitation{10'000};
    // Without any frame from the other end for this long, send PING.
    std::chrono::milliseconds ping{10'000};
    // Without any frame from the other end for this long, close.
    std::chrono::milliseconds idle{30'000};
};

} // namespace quillo
