// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <avahi-common/watch.h>

namespace quillo {

// avahi-client's main-loop abstraction on the Qt event loop: watches are
// QSocketNotifiers, time-outs QTimers, so DNS-SD work happens on the thread
// that owns this object (the main thread) and never blocks it.
class AvahiQtPoll {
public:
    AvahiQtPoll();
    ~AvahiQtPoll();
    AvahiQtPoll(const AvahiQtPoll&) = delete;
    AvahiQtPoll& operator=(const AvahiQtPoll&) = delete;

    const AvahiPoll* poll() const { return &api_; }

private:
    AvahiPoll api_{};
};

} // namespace quillo
