// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HotKeyService.h"

#include <set>

namespace quillo {

// Stands in for the X server in tests: registrations are a set, presses are
// played by the test, and combinations "held by another program" are refused.
class FakeHotKeyService : public HotKeyService {
    Q_OBJECT
public:
    HotKeyAvailability availability() const override { return availability_; }

    HotKeyRegistration registerHotKey(const Shortcut& shortcut) override {
        ++registerCalls_;
        if (heldElsewhere_.contains(shortcut)) {
            return {false, QStringLiteral("10")};
        }
        registered_.insert(shortcut);
        return {true, {}};
    }

    void unregisterHotKey(const Shortcut& shortcut) override { registered_.erase(shortcut); }

    // Delivers a press, as the system would: only for registered shortcuts.
    void press(const Shortcut& shortcut) {
        if (registered_.contains(shortcut)) {
            emit pressed(shortcut);
            emit released(shortcut);
        }
    }

    void setAvailability(HotKeyAvailability availability) { availability_ = availability; }
    void holdElsewhere(const Shortcut& shortcut) { heldElsewhere_.insert(shortcut); }
    const std::set<Shortcut>& registered() const { return registered_; }
    int registerCalls() const { return registerCalls_; }

private:
    HotKeyAvailability availability_ = HotKeyAvailability::available;
    std::set<Shortcut> registered_;
    std::set<Shortcut> heldElsewhere_;
    int registerCalls_ = 0;
};

} // namespace quillo
