// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcessState.h"
#include "Timestamp.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillo {

// One message of the phone protocol. On the wire each is a single JSON object
// whose "type" names the kind and whose other members are the payload's fields.
struct TransportMessage {
    struct StateUpdate {
        std::string processId;
        ProcessState state = ProcessState::unknown;
        Timestamp timestamp{};
        bool operator==(const StateUpdate&) const = default;
    };

    struct SnapshotProcess {
        std::string id;
        std::string name;
        ProcessState state = ProcessState::unknown;
        std::optional<std::string> terminal;
        bool switchable = false;
        Timestamp startedAt{};
        Timestamp stateChangedAt{};
        bool operator==(const SnapshotProcess&) const = default;
    };

    struct Snapshot {
        std::vector<SnapshotProcess> processes;
        bool operator==(const Snapshot&) const = default;
    };

    struct SwitchTo {
        std::string processId;
        bool operator==(const SwitchTo&) const = default;
    };

    struct SwitchResult {
        std::string processId;
        bool success = false;
        std::optional<std::string> errorMessage;
        bool operator==(const SwitchResult&) const = default;
    };

    struct SnapshotRequest {
        bool operator==(const SnapshotRequest&) const = default;
    };

    struct UnpairNotification {
        bool operator==(const UnpairNotification&) const = default;
    };

    // A permission question a session waits on, for a phone allowed to answer.
    struct PermissionRequest {
        std::string requestId;
        std::string processId;
        std::string toolName;
        std::string summary;
        Timestamp askedAt{};
        bool operator==(const PermissionRequest&) const = default;
    };

    // The phone's answer ("allow" or "deny", with what the model is told).
    struct PermissionDecision {
        std::string requestId;
        bool allow = false;
        std::optional<std::string> message;
        bool operator==(const PermissionDecision&) const = default;
    };

    // A question is closed, and how.
    enum class PermissionOutcome { allowed, denied, answeredElsewhere, withdrawn };
    struct PermissionResolved {
        std::string requestId;
        PermissionOutcome outcome = PermissionOutcome::withdrawn;
        bool operator==(const PermissionResolved&) const = default;
    };

    // The cases in wire order; the variant's alternatives follow the same order.
    enum class Kind {
        stateUpdate,
        snapshotRequest,
        snapshot,
        switchTo,
        switchResult,
        unpairNotification,
        permissionRequest,
        permissionDecision,
        permissionResolved
    };

    using Payload = std::variant<StateUpdate, SnapshotRequest, Snapshot, SwitchTo, SwitchResult,
                                 UnpairNotification, PermissionRequest, PermissionDecision,
                                 PermissionResolved>;

    Payload payload;

    Kind kind() const { return static_cast<Kind>(payload.index()); }

    static TransportMessage stateUpdate(StateUpdate value) { return {std::move(value)}; }
    static TransportMessage snapshotRequest() { return {SnapshotRequest{}}; }
    static TransportMessage snapshot(Snapshot value) { return {std::move(value)}; }
    static TransportMessage switchTo(SwitchTo value) { return {std::move(value)}; }
    static TransportMessage switchResult(SwitchResult value) { return {std::move(value)}; }
    static TransportMessage unpairNotification() { return {UnpairNotification{}}; }
    static TransportMessage permissionRequest(PermissionRequest value) {
        return {std::move(value)};
    }
    static TransportMessage permissionDecision(PermissionDecision value) {
        return {std::move(value)};
    }
    static TransportMessage permissionResolved(PermissionResolved value) {
        return {std::move(value)};
    }

    bool operator==(const TransportMessage&) const = default;
};

inline constexpr std::array allTransportMessageKinds{
    TransportMessage::Kind::stateUpdate,  TransportMessage::Kind::snapshotRequest,
    TransportMessage::Kind::snapshot,     TransportMessage::Kind::switchTo,
    TransportMessage::Kind::switchResult, TransportMessage::Kind::unpairNotification,
    TransportMessage::Kind::permissionRequest, TransportMessage::Kind::permissionDecision,
    TransportMessage::Kind::permissionResolved,
};

// The "type" strings: "state_update", "snapshot_request", ...
std::string_view rawValue(TransportMessage::Kind kind);
// Exact and case-sensitive.
std::optional<TransportMessage::Kind> transportMessageKindFromRaw(std::string_view raw);

// "allowed", "denied", "answered_elsewhere", "withdrawn".
std::string_view rawValue(TransportMessage::PermissionOutcome outcome);
std::optional<TransportMessage::PermissionOutcome> permissionOutcomeFromRaw(std::string_view raw);

} // namespace quillo
