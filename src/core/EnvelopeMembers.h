// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParsedHookEvent.h"
#include "Timestamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillo::HookEnvelope {

// What the envelope readers keep of a line: the envelope's own members and the
// payload members an event needs. A member of the wrong type is absent.
struct EnvelopeMembers {
    std::optional<double> recordedAt;
    std::optional<std::int32_t> claudePID;
    std::optional<std::vector<std::int32_t>> pidChain;
    std::optional<std::string> shellTTY;

    struct Raw {
        std::optional<std::string> hookEventName, eventName, sessionIdSnake, sessionIdCamel, cwd,
            message, notificationType, source;

        // Where the payload member `key` goes, or null for one no event needs.
        std::optional<std::string>* slot(std::string_view key) {
            if (key == "hook_event_name")
                return &hookEventName;
            if (key == "eventName")
                return &eventName;
            if (key == "session_id")
                return &sessionIdSnake;
            if (key == "sessionId")
                return &sessionIdCamel;
            if (key == "cwd")
                return &cwd;
            if (key == "message")
                return &message;
            if (key == "notification_type")
                return &notificationType;
            if (key == "source")
                return &source;
            return nullptr;
        }
    } raw;

    // The event these members make, or nothing when they name no event or no
    // session. Moves the members out.
    std::optional<ParsedHookEvent> takeEvent(Timestamp parsedAt) {
        ParsedHookEvent event;
        event.eventName = raw.hookEventName ? std::move(*raw.hookEventName)
                                            : std::move(raw.eventName).value_or("");
        event.sessionId = raw.sessionIdSnake ? std::move(*raw.sessionIdSnake)
                                             : std::move(raw.sessionIdCamel).value_or("");
        if (event.eventName.empty() || event.sessionId.empty()) {
            return std::nullopt;
        }
        event.cwd = std::move(raw.cwd);
        event.message = std::move(raw.message);
        event.notificationType = std::move(raw.notificationType);
        event.source = std::move(raw.source);
        event.timestamp = recordedAt ? timestampFromSeconds(*recordedAt) : parsedAt;
        event.claudePID = claudePID;
        event.pidChain = std::move(pidChain);
        event.shellTTY = std::move(shellTTY);
        return event;
    }
};

} // namespace quillo::HookEnvelope
