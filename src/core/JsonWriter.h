// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonLimits.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <optional>
#include <string>

namespace quillo::JsonWriter {

// Both writers escape every "/" as "\/" and leave other non-ASCII text as UTF-8.
// They return nothing when the value cannot be written as JSON: a non-finite
// number, a string that is not valid UTF-8, or nesting deeper than maxDepth
// (which keeps a hostile payload from exhausting the stack).

inline constexpr int maxDepth = JsonLimits::maxDepth;

// No spaces, no line breaks; object keys in the value's own order.
std::optional<std::string> compact(const nlohmann::json& value);

// Two-space indentation, " : " between key and value, keys sorted by their UTF-8
// bytes at every level, no trailing line feed. The same value always gives the
// same bytes, so a file written twice from equal values does not change.
// Indentation grows with depth, so a deeply nested value can come out many
// times larger than its compact form; past `maxBytes` the writer gives up.
std::optional<std::string> pretty(const nlohmann::json& value,
                                  std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

} // namespace quillo::JsonWriter
