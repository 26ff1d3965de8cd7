// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// One usable line of the events file: a hook event with the session it belongs
// to and what the recorder learned about its caller.
struct ParsedHookEvent {
    std::string eventName; // never empty
    std::string sessionId; // never empty
    std::optional<std::string> cwd;
    std::optional<std::string> message;
    std::optional<std::string> notificationType;
    std::optional<std::string> source; // SessionStart: startup, resume, clear, compact, ...
    std::optional<std::int32_t> claudePID;
    std::optional<std::vector<std::int32_t>> pidChain; // absent and empty differ
    std::optional<std::string> shellTTY;
    Timestamp timestamp{};

    bool operator==(const ParsedHookEvent&) const = default;
};

} // namespace quillo
