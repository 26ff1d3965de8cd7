// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameClock.h"

#include <QWidget>

#include <algorithm>

namespace quillo {

FrameClock& FrameClock::of(QWidget* window) {
    if (auto* clock = window->findChild<FrameClock*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *clock;
    }
    return *new FrameClock(window);
}

FrameClock::FrameClock(QObject* parent) : QObject(parent) {
    started_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(frameInterval);
    connect(&timer_, &QTimer::timeout, this, &FrameClock::frame);
}

FrameClock::~FrameClock() {
    for (const Animation& animation : animations_) {
        disconnect(animation.destroyed);
    }
}

void FrameClock::attach(QObject* owner, std::function<void()> frame) {
    detach(owner);
    auto destroyed = connect(owner, &QObject::destroyed, this, [this, owner] { detach(owner); });
    animations_.push_back({owner, std::move(frame), destroyed});
    if (!timer_.isActive()) {
        timer_.start();
    }
}

void FrameClock::detach(QObject* owner) {
    auto it = std::find_if(animations_.begin(), animations_.end(),
                           [owner](const Animation& a) { return a.owner == owner; });
    if (it == animations_.end()) {
        return;
    }
    disconnect(it->destroyed);
    animations_.erase(it);
    if (animations_.empty()) {
        timer_.stop();
    }
}

bool FrameClock::isAttached(const QObject* owner) const {
    return std::any_of(animations_.begin(), animations_.end(),
                       [owner](const Animation& a) { return a.owner == owner; });
}

std::chrono::milliseconds FrameClock::now() const {
    return std::chrono::milliseconds(started_.elapsed());
}

void FrameClock::frame() {
    ++frames_;
    // A frame may detach animations (its own or others): run over a copy of
    // the owners and skip the ones gone meanwhile.
    std::vector<QObject*> owners;
    owners.reserve(animations_.size());
    for (const Animation& animation : animations_) {
        owners.push_back(animation.owner);
    }
    for (QObject* owner : owners) {
        auto it = std::find_if(animations_.begin(), animations_.end(),
                               [owner](const Animation& a) { return a.owner == owner; });
        if (it != animations_.end()) {
            auto call = it->frame; // the call may detach, which frees the stored one
            call();
        }
    }
}

} // namespace quillo
