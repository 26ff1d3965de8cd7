// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"

#include <QObject>

#include <chrono>
#include <functional>

namespace quillo {

class SwitchRunner;

// What the dashboard's views take from outside: the clock, delayed calls on the
// main thread and the switch runner. Tests put a fake clock and hand-run
// delayed calls in their place.
struct DashboardServices {
    using Clock = std::function<Timestamp()>;
    // Calls `call` on the main thread after `delay`, unless `context` is gone.
    using Later = std::function<void(std::chrono::milliseconds delay, QObject* context,
                                     std::function<void()>)>;

    Clock clock = &now;
    Later later = defaultLater;
    SwitchRunner* switcher = nullptr; // none: rows cannot switch

    static void defaultLater(std::chrono::milliseconds delay, QObject* context,
                             std::function<void()> call);
};

} // namespace quillo
