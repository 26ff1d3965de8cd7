// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <chrono>
#include <functional>

namespace quillo {

// At most one delivery per interval, the latest state winning: the first change
// after a quiet interval is delivered at once; changes during the interval that
// follows are delivered together when it ends (the receiver reads the current
// values then), which opens the next interval.
class Throttle : public QObject {
    Q_OBJECT

public:
    // Calls `call` after `delay` on this object's thread; tests run it by hand.
    using Schedule = std::function<void(std::chrono::milliseconds delay, std::function<void()>)>;

    Throttle(std::chrono::milliseconds interval, std::function<void()> deliver,
             Schedule schedule = {}, QObject* parent = nullptr);

    void changed();

private:
    void intervalEnded();

    std::chrono::milliseconds interval_;
    std::function<void()> deliver_;
    Schedule schedule_;
    bool intervalRunning_ = false;
    bool pending_ = false;
};

} // namespace quillo
