// SPDX-License-Identifier: GPL-3.0-or-later
#include "Throttle.h"

#include <QPointer>
#include <QTimer>

namespace quillo {

Throttle::Throttle(std::chrono::milliseconds interval, std::function<void()> deliver,
                   Schedule schedule, QObject* parent)
    : QObject(parent), interval_(interval), deliver_(std::move(deliver)),
      schedule_(std::move(schedule)) {
    if (!schedule_) {
        schedule_ = [this](std::chrono::milliseconds delay, std::function<void()> call) {
            QTimer::singleShot(delay, this, std::move(call));
        };
    }
}

void Throttle::changed() {
    if (intervalRunning_) {
        pending_ = true;
        return;
    }
    intervalRunning_ = true;
    deliver_();
    QPointer<Throttle> self(this);
    schedule_(interval_, [self] {
        if (self) {
            self->intervalEnded();
        }
    });
}

void Throttle::intervalEnded() {
    intervalRunning_ = false;
    if (pending_) {
        pending_ = false;
        changed();
    }
}

} // namespace quillo
