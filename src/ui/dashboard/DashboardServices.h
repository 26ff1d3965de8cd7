// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>

namespace quillo {

class SwitchRunner;

// What the dashboard's views take from outside: the clock, delayed calls on the
// main thread, the switch runner and the answer to a permission question. Tests put a fake clock
// and hand-run delayed calls in their place.
struct DashboardServices {
    using Clock = std::function<Timestamp()>;
    // Calls `call` on the main thread after `delay`, unless `context` is gone.
    using Later = std::function<void(std::chrono::milliseconds delay, QObject* context,
                                     std::function<void()>)>;

    Clock clock = &now;
    Later later = defaultLater;
    SwitchRunner* switcher = nullptr; // none: rows cannot switch
    // Answers the open permission question `id` (allow or deny); false when
    // it was no longer open. None: rows show questions without buttons.
    std::function<bool(std::uint64_t id, bool allow)> answer;

    static void defaultLater(std::chrono::milliseconds delay, QObject* context,
                             std::function<void()> call);
};

} // namespace quillo
