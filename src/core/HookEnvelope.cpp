#include "HookEnvelope.h"

#include "JsonWriter.h"

#include <limits>

namespace quillo::HookEnvelope {

namespace {

// Only values that fit a pid; anything else (a foreign writer's) counts as absent.
std::optional<std::int32_t> asPid(const nlohmann::json& value) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()) {
            auto u = value.get<std::uint64_t>();
            if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
                return static_cast<std::int32_t>(u);
            }
            return std::nullopt;
        }
        auto i = value.get<std::int64_t>();
        if (i >= std::numeric_limits<std::int32_t>::min() &&
            i <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(i);
        }
    }
    return std::nullopt;
}

std::optional<std::string> stringMember(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    if (it != object.end() && it->is_string()) {
        return it->get<std::string>();
    }
    return std::nullopt;
}

// The first key when it holds a string (even an empty one), else the second.
std::string stringWithFallback(const nlohmann::json& object, const char* key,
                               const char* fallback) {
    if (auto value = stringMember(object, key)) {
        return *value;
    }
    return stringMember(object, fallback).value_or(std::string{});
}

} // namespace

std::optional<std::string> encodeLine(const nlohmann::json& rawPayload, Timestamp recordedAt,
                                      std::optional<std::int32_t> claudePID,
                                      const std::optional<std::vector<std::int32_t>>& pidChain,
                                      const std::optional<std::string>& shellTTY) {
    nlohmann::json envelope = nlohmann::json::object();
    envelope["recorded_at"] = secondsSince1970(recordedAt);
    envelope["raw"] = rawPayload;
    if (claudePID) {
        envelope["claude_pid"] = *claudePID;
    }
    if (pidChain) {
        envelope["pid_chain"] = *pidChain;
    }
    if (shellTTY) {
        envelope["shell_tty"] = *shellTTY;
    }
    auto line = JsonWriter::compact(envelope);
    if (!line) {
        return std::nullopt;
    }
    line->push_back('\n');
    return line;
}

std::optional<ParsedHookEvent> parseLine(std::string_view line) {
    return parseLine(line, now());
}

std::optional<ParsedHookEvent> parseLine(std::string_view line, Timestamp parsedAt) {
    nlohmann::json envelope = nlohmann::json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!envelope.is_object()) {
        return std::nullopt;
    }

    static const nlohmann::json emptyObject = nlohmann::json::object();
    auto rawIt = envelope.find("raw");
    const nlohmann::json& payload =
        (rawIt != envelope.end() && rawIt->is_object()) ? *rawIt : emptyObject;

    ParsedHookEvent event;
    event.eventName = stringWithFallback(payload, "hook_event_name", "eventName");
    event.sessionId = stringWithFallback(payload, "session_id", "sessionId");
    if (event.eventName.empty() || event.sessionId.empty()) {
        return std::nullopt;
    }
    event.cwd = stringMember(payload, "cwd");
    event.message = stringMember(payload, "message");
    event.notificationType = stringMember(payload, "notification_type");

    auto recordedAt = envelope.find("recorded_at");
    event.timestamp = (recordedAt != envelope.end() && recordedAt->is_number())
                          ? timestampFromSeconds(recordedAt->get<double>())
                          : parsedAt;

    if (auto pid = envelope.find("claude_pid"); pid != envelope.end()) {
        event.claudePID = asPid(*pid);
    }
    if (auto chain = envelope.find("pid_chain"); chain != envelope.end() && chain->is_array()) {
        std::vector<std::int32_t> pids;
        pids.reserve(chain->size());
        bool valid = true;
        for (const auto& element : *chain) {
            auto pid = asPid(element);
            if (!pid) {
                valid = false;
                break;
            }
            pids.push_back(*pid);
        }
        if (valid) {
            event.pidChain = std::move(pids);
        }
    }
    event.shellTTY = stringMember(envelope, "shell_tty");
    return event;
}

} // namespace quillo::HookEnvelope
