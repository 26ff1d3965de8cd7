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

// Whether a member named `key` is named `name`. Payload names often share a length
// ("tool_input", "session_id"), so the first byte is compared before the call
// to memcmp that most comparisons would otherwise make: a few per cent of
// reading a large backlog.
constexpr bool named(std::string_view key, std::string_view name) {
    return key.size() == name.size() && !key.empty() && key.front() == name.front() && key == name;
}

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
            if (named(key, "hook_event_name"))
                return &hookEventName;
            if (named(key, "eventName"))
                return &eventName;
            if (named(key, "session_id"))
                return &sessionIdSnake;
            if (named(key, "sessionId"))
                return &sessionIdCamel;
            if (named(key, "cwd"))
                return &cwd;
            if (named(key, "message"))
                return &message;
            if (named(key, "notification_type"))
                return &notificationType;
            if (named(key, "source"))
                return &source;
            return nullptr;
        }
    } raw;

    // The event these members make, or nothing when they name no event or no
    // session. Moves the members out.
    std::optional<ParsedHookEvent> takeEvent(Timestamp parsedAt) {
        if (!namesEvent()) {
            return std::nullopt;
        }
        std::optional<ParsedHookEvent> event(std::in_place);
        moveInto(*event, parsedAt);
        return event;
    }

    // The same, made in place at the end of `events`; false when there is none.
    bool appendEventTo(std::vector<ParsedHookEvent>& events, Timestamp parsedAt) {
        if (!namesEvent()) {
            return false;
        }
        moveInto(events.emplace_back(), parsedAt);
        return true;
    }

private:
    // The payload's "hook_event_name" rules where present, even when empty;
    // likewise "session_id".
    std::optional<std::string>& eventNameMember() {
        return raw.hookEventName ? raw.hookEventName : raw.eventName;
    }
    std::optional<std::string>& sessionIdMember() {
        return raw.sessionIdSnake ? raw.sessionIdSnake : raw.sessionIdCamel;
    }

    bool namesEvent() {
        const auto& name = eventNameMember();
        const auto& session = sessionIdMember();
        return name && !name->empty() && session && !session->empty();
    }

    void moveInto(ParsedHookEvent& event, Timestamp parsedAt) {
        event.eventName = std::move(*eventNameMember());
        event.sessionId = std::move(*sessionIdMember());
        event.cwd = std::move(raw.cwd);
        event.message = std::move(raw.message);
        event.notificationType = std::move(raw.notificationType);
        event.source = std::move(raw.source);
        event.timestamp = recordedAt ? timestampFromSeconds(*recordedAt) : parsedAt;
        event.claudePID = claudePID;
        event.pidChain = std::move(pidChain);
        event.shellTTY = std::move(shellTTY);
    }
};

} // namespace quillo::HookEnvelope
