// SPDX-License-Identifier: GPL-3.0-or-later
#include "Notifier.h"

namespace quillo {

void FakeNotifier::setAvailable(bool available) {
    available_ = available;
    emit availabilityChanged(available);
}

void FakeNotifier::post(const Notice& notice, quint32 replaces, Posted posted) {
    posts.push_back({notice, replaces});
    // A service keeps the id of a notice it replaces.
    const quint32 id = replaces != 0 ? replaces : nextId_++;
    if (hold_) {
        held_.emplace_back(id, std::move(posted));
    } else {
        posted(id);
    }
}

void FakeNotifier::answerHeld() {
    auto held = std::move(held_);
    held_.clear();
    for (auto& [id, posted] : held) {
        posted(id);
    }
}

} // namespace quillo
