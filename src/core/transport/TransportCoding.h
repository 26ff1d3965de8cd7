// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport/TransportMessage.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <string_view>

namespace quillo::TransportCoding {

// Turns phone-protocol messages into bytes and back. Both directions throw
// CodingError on failure; these and the transport's send are the only places
// where failures are exceptions.

class CodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Compact JSON, "/" escaped as "\/", optional members left out. Throws when the
// message cannot be written (a non-finite date, text that is not UTF-8).
std::string encode(const TransportMessage& message);

// Accepts members in any order and ignores unknown ones; a missing or null
// optional member is absent. Throws on anything that is not one of the
// messages with its required members of the right JSON type.
TransportMessage decode(std::string_view bytes);

// The payloads on their own, with the same member names (no "type").
nlohmann::json toJson(const TransportMessage::StateUpdate& value);
nlohmann::json toJson(const TransportMessage::SnapshotProcess& value);
nlohmann::json toJson(const TransportMessage::Snapshot& value);
nlohmann::json toJson(const TransportMessage::SwitchTo& value);
nlohmann::json toJson(const TransportMessage::SwitchResult& value);
nlohmann::json toJson(const TransportMessage::PermissionRequest& value);
nlohmann::json toJson(const TransportMessage::PermissionDecision& value);
nlohmann::json toJson(const TransportMessage::PermissionResolved& value);

// The whole message as a JSON object, "type" included.
nlohmann::json toJson(const TransportMessage& message);

// False when brackets and braces nest deeper than any message needs (32);
// checked before anything untrusted reaches the JSON parser.
bool nestingWithinLimit(std::string_view text);

// From an already parsed object; throws CodingError like decode().
TransportMessage fromJson(const nlohmann::json& object);

} // namespace quillo::TransportCoding
