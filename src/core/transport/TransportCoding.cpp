// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/TransportCoding.h"

#include "JsonWriter.h"

#include <cmath>

namespace quillo {

namespace {

constexpr std::array kindStrings{
    std::string_view{"state_update"},  std::string_view{"snapshot_request"},
    std::string_view{"snapshot"},      std::string_view{"switch_to"},
    std::string_view{"switch_result"}, std::string_view{"unpair_notification"},
    std::string_view{"permission_request"}, std::string_view{"permission_decision"},
    std::string_view{"permission_resolved"},
};

constexpr std::array outcomeStrings{
    std::string_view{"allowed"},
    std::string_view{"denied"},
    std::string_view{"answered_elsewhere"},
    std::string_view{"withdrawn"},
};

} // namespace

std::string_view rawValue(TransportMessage::Kind kind) {
    return kindStrings.at(static_cast<std::size_t>(kind));
}

std::optional<TransportMessage::Kind> transportMessageKindFromRaw(std::string_view raw) {
    for (auto kind : allTransportMessageKinds) {
        if (rawValue(kind) == raw) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string_view rawValue(TransportMessage::PermissionOutcome outcome) {
    return outcomeStrings.at(static_cast<std::size_t>(outcome));
}

std::optional<TransportMessage::PermissionOutcome> permissionOutcomeFromRaw(std::string_view raw) {
    for (std::size_t i = 0; i < outcomeStrings.size(); ++i) {
        if (outcomeStrings[i] == raw) {
            return static_cast<TransportMessage::PermissionOutcome>(i);
        }
    }
    return std::nullopt;
}

namespace TransportCoding {

namespace {

using nlohmann::json;

// Protocol messages nest three levels deep; anything much deeper is hostile and
// would only cost stack and memory.
constexpr int maxNesting = 32;

} // namespace

bool nestingWithinLimit(std::string_view text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxNesting) {
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw CodingError(what);
}

const json& member(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        fail(std::string("missing member \"") + key + "\"");
    }
    return *it;
}

std::string requiredString(const json& object, const char* key) {
    const json& value = member(object, key);
    if (!value.is_string()) {
        fail(std::string("member \"") + key + "\" is not a string");
    }
    return value.get<std::string>();
}

std::optional<std::string> optionalString(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    if (!it->is_string()) {
        fail(std::string("member \"") + key + "\" is not a string");
    }
    return it->get<std::string>();
}

bool requiredBool(const json& object, const char* key) {
    const json& value = member(object, key);
    if (!value.is_boolean()) {
        fail(std::string("member \"") + key + "\" is not a boolean");
    }
    return value.get<bool>();
}

Timestamp requiredDate(const json& object, const char* key) {
    const json& value = member(object, key);
    if (!value.is_number()) {
        fail(std::string("member \"") + key + "\" is not a number");
    }
    return timestampFromSeconds(value.get<double>());
}

ProcessState requiredState(const json& object, const char* key) {
    auto state = processStateFromRaw(requiredString(object, key));
    if (!state) {
        fail(std::string("member \"") + key + "\" is not a process state");
    }
    return *state;
}

json date(Timestamp t) {
    return secondsSince1970(t);
}

TransportMessage::SnapshotProcess snapshotProcessFromJson(const json& object) {
    if (!object.is_object()) {
        fail("snapshot process is not an object");
    }
    TransportMessage::SnapshotProcess p;
    p.id = requiredString(object, "id");
    p.name = requiredString(object, "name");
    p.state = requiredState(object, "state");
    p.terminal = optionalString(object, "terminal");
    p.switchable = requiredBool(object, "switchable");
    p.startedAt = requiredDate(object, "started_at");
    p.stateChangedAt = requiredDate(object, "state_changed_at");
    return p;
}

} // namespace

json toJson(const TransportMessage::StateUpdate& value) {
    json out = json::object();
    out["process_id"] = value.processId;
    out["state"] = std::string(rawValue(value.state));
    out["timestamp"] = date(value.timestamp);
    return out;
}

json toJson(const TransportMessage::SnapshotProcess& value) {
    json out = json::object();
    out["id"] = value.id;
    out["name"] = value.name;
    out["state"] = std::string(rawValue(value.state));
    if (value.terminal) {
        out["terminal"] = *value.terminal;
    }
    out["switchable"] = value.switchable;
    out["started_at"] = date(value.startedAt);
    out["state_changed_at"] = date(value.stateChangedAt);
    return out;
}

json toJson(const TransportMessage::Snapshot& value) {
    json processes = json::array();
    for (const auto& p : value.processes) {
        processes.push_back(toJson(p));
    }
    json out = json::object();
    out["processes"] = std::move(processes);
    return out;
}

json toJson(const TransportMessage::SwitchTo& value) {
    json out = json::object();
    out["process_id"] = value.processId;
    return out;
}

json toJson(const TransportMessage::SwitchResult& value) {
    json out = json::object();
    out["process_id"] = value.processId;
    out["success"] = value.success;
    if (value.errorMessage) {
        out["error_message"] = *value.errorMessage;
    }
    return out;
}

json toJson(const TransportMessage::PermissionRequest& value) {
    json out = json::object();
    out["request_id"] = value.requestId;
    out["process_id"] = value.processId;
    out["tool_name"] = value.toolName;
    out["summary"] = value.summary;
    out["asked_at"] = date(value.askedAt);
    return out;
}

json toJson(const TransportMessage::PermissionDecision& value) {
    json out = json::object();
    out["request_id"] = value.requestId;
    out["behavior"] = value.allow ? "allow" : "deny";
    if (value.message) {
        out["message"] = *value.message;
    }
    return out;
}

json toJson(const TransportMessage::PermissionResolved& value) {
    json out = json::object();
    out["request_id"] = value.requestId;
    out["outcome"] = std::string(rawValue(value.outcome));
    return out;
}

json toJson(const TransportMessage& message) {
    json out = std::visit(
        [](const auto& payload) -> json {
            using T = std::decay_t<decltype(payload)>;
            if constexpr (std::is_same_v<T, TransportMessage::SnapshotRequest> ||
                          std::is_same_v<T, TransportMessage::UnpairNotification>) {
                return json::object();
            } else {
                return toJson(payload);
            }
        },
        message.payload);
    out["type"] = std::string(rawValue(message.kind()));
    return out;
}

std::string encode(const TransportMessage& message) {
    auto text = JsonWriter::compact(toJson(message));
    if (!text) {
        fail("the message holds a value JSON cannot carry (a non-finite date or text that is "
             "not UTF-8)");
    }
    return std::move(*text);
}

TransportMessage fromJson(const json& object) {
    if (!object.is_object()) {
        fail("the message is not a JSON object");
    }
    auto typeIt = object.find("type");
    if (typeIt == object.end() || !typeIt->is_string()) {
        fail("missing member \"type\"");
    }
    auto kind = transportMessageKindFromRaw(typeIt->get_ref<const std::string&>());
    if (!kind) {
        fail("unknown message type \"" + typeIt->get<std::string>() + "\"");
    }
    switch (*kind) {
    case TransportMessage::Kind::stateUpdate:
        return TransportMessage::stateUpdate({requiredString(object, "process_id"),
                                              requiredState(object, "state"),
                                              requiredDate(object, "timestamp")});
    case TransportMessage::Kind::snapshotRequest:
        return TransportMessage::snapshotRequest();
    case TransportMessage::Kind::snapshot: {
        const json& list = member(object, "processes");
        if (!list.is_array()) {
            fail("member \"processes\" is not an array");
        }
        TransportMessage::Snapshot snapshot;
        snapshot.processes.reserve(list.size());
        for (const auto& element : list) {
            snapshot.processes.push_back(snapshotProcessFromJson(element));
        }
        return TransportMessage::snapshot(std::move(snapshot));
    }
    case TransportMessage::Kind::switchTo:
        return TransportMessage::switchTo({requiredString(object, "process_id")});
    case TransportMessage::Kind::switchResult:
        return TransportMessage::switchResult({requiredString(object, "process_id"),
                                               requiredBool(object, "success"),
                                               optionalString(object, "error_message")});
    case TransportMessage::Kind::unpairNotification:
        return TransportMessage::unpairNotification();
    case TransportMessage::Kind::permissionRequest:
        return TransportMessage::permissionRequest(
            {requiredString(object, "request_id"), requiredString(object, "process_id"),
             requiredString(object, "tool_name"), requiredString(object, "summary"),
             requiredDate(object, "asked_at")});
    case TransportMessage::Kind::permissionDecision: {
        const std::string behavior = requiredString(object, "behavior");
        if (behavior != "allow" && behavior != "deny") {
            fail("member \"behavior\" is neither \"allow\" nor \"deny\"");
        }
        return TransportMessage::permissionDecision({requiredString(object, "request_id"),
                                                     behavior == "allow",
                                                     optionalString(object, "message")});
    }
    case TransportMessage::Kind::permissionResolved: {
        auto outcome = permissionOutcomeFromRaw(requiredString(object, "outcome"));
        if (!outcome) {
            fail("member \"outcome\" is not a permission outcome");
        }
        return TransportMessage::permissionResolved({requiredString(object, "request_id"), *outcome});
    }
    }
    fail("unknown message type");
}

TransportMessage decode(std::string_view bytes) {
    if (!nestingWithinLimit(bytes)) {
        fail("the message is nested too deeply");
    }
    json object;
    try {
        object = json::parse(bytes.begin(), bytes.end());
    } catch (const json::exception& e) {
        fail(std::string("not JSON: ") + e.what());
    }
    return fromJson(object);
}

} // namespace TransportCoding

} // namespace quillo
