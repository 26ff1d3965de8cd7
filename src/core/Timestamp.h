// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace quillo {

// A point in time as the JSON forms carry it: seconds since 1970 as a double.
using Seconds = std::chrono::duration<double>;
using Timestamp = std::chrono::sys_time<Seconds>;

inline Timestamp now() {
    return std::chrono::time_point_cast<Seconds>(std::chrono::system_clock::now());
}

inline double secondsSince1970(Timestamp t) {
    return t.time_since_epoch().count();
}

inline Timestamp timestampFromSeconds(double seconds) {
    return Timestamp{Seconds{seconds}};
}

} // namespace quillo
