// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// Refused invitations, per source address. An address whose invitations were
// refused five times within a minute is turned away for a minute, before any
// of its bytes are read. What happened is logged as one summary entry per
// address per minute, so a guessing client cannot grow the log at its own pace.
class InvitationLimiter {
public:
    using Clock = std::function<Timestamp()>;

    static constexpr int refusalsBeforeBlock = 5;
    static constexpr Seconds window{60};
    static constexpr Seconds blockFor{60};
    static constexpr Seconds summaryEvery{60};
    // Addresses remembered at once; the one seen longest ago makes room.
    static constexpr std::size_t maxAddresses = 4096;

    explicit InvitationLimiter(Clock clock = {});

    // A new connection from `address`: false when the address is blocked (the
    // attempt is counted for the summary).
    bool admits(const std::string& address);
    // An invitation from `address` was declined.
    void recordRefusal(const std::string& address);

    bool isBlocked(const std::string& address) const;
    std::size_t addressCount() const { return addresses_.size(); }

private:
    struct Address {
        std::vector<Timestamp> refusals; // within the window, oldest first
        std::optional<Timestamp> blockedUntil;
        std::optional<Timestamp> lastSummary;
        int refusedSinceSummary = 0;
        int turnedAwaySinceSummary = 0;
        Timestamp lastSeen{};
    };

    Timestamp currentTime() const;
    Address& entry(const std::string& address, Timestamp at);
    void summarize(const std::string& address, Address& state, Timestamp at);

    Clock clock_;
    std::map<std::string, Address> addresses_;
};

} // namespace quillo
