// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// Refused invitations, per source (an address, or an IPv6 /64). A source whose
// invitations were refused five times within a minute is turned away for a
// minute, before any of its bytes are read. What happened is logged as one
// summary entry per source per minute; and since a guesser can take a fresh
// address for every guess, refusals are also counted across all sources:
// past a few a minute, only one summary for all of them is logged a minute.
class InvitationLimiter {
public:
    using Clock = std::function<Timestamp()>;

    static constexpr int refusalsBeforeBlock = 5;
    static constexpr Seconds window{60};
    static constexpr Seconds blockFor{60};
    static constexpr Seconds summaryEvery{60};
    // Addresses remembered at once; the one seen longest ago makes room.
    static constexpr std::size_t maxAddresses = 4096;
    // More refusals than this within a minute, from all sources together, and
    // the per-source entries give way to one entry for all.
    static constexpr std::size_t quietRefusalsPerMinute = 10;

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
    bool flooded(Timestamp at) const;
    void summarizeAll(Timestamp at);

    Clock clock_;
    std::map<std::string, Address> addresses_;
    // The latest refusals from any source, at most one more than the quiet
    // number, oldest first.
    std::vector<Timestamp> recentRefusals_;
    std::optional<Timestamp> lastOverallSummary_;
    int refusedOverall_ = 0;
    int turnedAwayOverall_ = 0;
};

} // namespace quillo
