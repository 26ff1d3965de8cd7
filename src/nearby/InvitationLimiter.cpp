// SPDX-License-Identifier: GPL-3.0-or-later
#include "InvitationLimiter.h"

#include "DiagnosticLogger.h"

#include <algorithm>

namespace quillo {

InvitationLimiter::InvitationLimiter(Clock clock) : clock_(std::move(clock)) {}

Timestamp InvitationLimiter::currentTime() const {
    return clock_ ? clock_() : now();
}

InvitationLimiter::Address& InvitationLimiter::entry(const std::string& address, Timestamp at) {
    auto it = addresses_.find(address);
    if (it == addresses_.end()) {
        if (addresses_.size() >= maxAddresses) {
            auto oldest = std::min_element(
                addresses_.begin(), addresses_.end(),
                [](const auto& a, const auto& b) { return a.second.lastSeen < b.second.lastSeen; });
            addresses_.erase(oldest);
        }
        it = addresses_.emplace(address, Address{}).first;
    }
    it->second.lastSeen = at;
    return it->second;
}

bool InvitationLimiter::isBlocked(const std::string& address) const {
    auto it = addresses_.find(address);
    return it != addresses_.end() && it->second.blockedUntil &&
           currentTime() < *it->second.blockedUntil;
}

bool InvitationLimiter::admits(const std::string& address) {
    if (!addresses_.contains(address)) {
        return true; // nothing to remember about an address that never failed
    }
    const Timestamp at = currentTime();
    Address& state = entry(address, at);
    if (!state.blockedUntil || at >= *state.blockedUntil) {
        state.blockedUntil.reset();
        return true;
    }
    if (flooded(at)) {
        ++turnedAwayOverall_;
        summarizeAll(at);
    } else {
        ++state.turnedAwaySinceSummary;
        summarize(address, state, at);
    }
    return false;
}

bool InvitationLimiter::flooded(Timestamp at) const {
    return recentRefusals_.size() > quietRefusalsPerMinute && recentRefusals_.front() > at - window;
}

void InvitationLimiter::recordRefusal(const std::string& address) {
    const Timestamp at = currentTime();
    Address& state = entry(address, at);
    std::erase_if(state.refusals, [&](Timestamp t) { return t <= at - window; });
    state.refusals.push_back(at);
    if (static_cast<int>(state.refusals.size()) >= refusalsBeforeBlock) {
        state.blockedUntil = at + blockFor;
        state.refusals.clear();
    }
    recentRefusals_.push_back(at);
    if (recentRefusals_.size() > quietRefusalsPerMinute + 1) {
        recentRefusals_.erase(recentRefusals_.begin());
    }
    if (flooded(at)) {
        ++refusedOverall_;
        summarizeAll(at);
        return;
    }
    ++state.refusedSinceSummary;
    summarize(address, state, at);
}

void InvitationLimiter::summarizeAll(Timestamp at) {
    if (lastOverallSummary_ && at - *lastOverallSummary_ < summaryEvery) {
        return;
    }
    DiagnosticLogger::warn("transport", "invitations refused from many sources",
                           {{"refused", std::to_string(refusedOverall_)},
                            {"turned_away", std::to_string(turnedAwayOverall_)},
                            {"addresses_remembered", std::to_string(addresses_.size())}});
    lastOverallSummary_ = at;
    refusedOverall_ = 0;
    turnedAwayOverall_ = 0;
}

void InvitationLimiter::summarize(const std::string& address, Address& state, Timestamp at) {
    if (state.lastSummary && at - *state.lastSummary < summaryEvery) {
        return;
    }
    DiagnosticLogger::Context context{
        {"address", address},
        {"refused", std::to_string(state.refusedSinceSummary)},
        {"turned_away", std::to_string(state.turnedAwaySinceSummary)},
    };
    if (state.blockedUntil && at < *state.blockedUntil) {
        context["blocked_seconds"] =
            std::to_string(static_cast<int>((*state.blockedUntil - at).count()));
    }
    DiagnosticLogger::warn("transport", "invitations refused", context);
    state.lastSummary = at;
    state.refusedSinceSummary = 0;
    state.turnedAwaySinceSummary = 0;
}

} // namespace quillo
