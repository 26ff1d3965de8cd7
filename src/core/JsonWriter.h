// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonLimits.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

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
// `expectedBytes` is room made beforehand (for a file rewritten, a little more
// than its size), so that a large text is not copied again and again as it grows.
std::optional<std::string> pretty(const nlohmann::json& value,
                                  std::size_t maxBytes = std::numeric_limits<std::size_t>::max(),
                                  std::size_t expectedBytes = 0);

// The text `pretty` writes, handed to `piece` in pieces of some tens of
// kilobytes as it is written rather than held whole: a reader that only
// looks at it (a comparison, say) then needs no copy of a text as large as the
// value. Every piece but the last ends with a line feed. False when `pretty`
// gives nothing; the pieces handed over until then mean nothing.
using PieceSink = std::function<void(std::string_view)>;
bool prettyInPieces(const nlohmann::json& value, std::size_t maxBytes, const PieceSink& piece);

} // namespace quillo::JsonWriter
