// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace quillo::JsonReader {

// Parses `text` as JSON (a bare string, number, boolean or null is fine), more
// forgivingly than a strict parser where real writers stray:
// - an unpaired surrogate escape ("\ud800", which JavaScript writes for a
//   string cut inside a surrogate pair) reads as U+FFFD;
// - arrays and objects nested deeper than `maxDepth` (counting the value's own
//   enclosing containers) are left out, without ever being built, so the rest
//   of the document still arrives and input of any depth costs no stack.
// Nothing when the text is not JSON.
std::optional<nlohmann::json> parse(std::string_view text, int maxDepth);

// `text` with every unpaired surrogate escape inside a string replaced by
// "\ufffd"; nothing when it holds none (the common case, found without copying).
std::optional<std::string> replaceLoneSurrogates(std::string_view text);

} // namespace quillo::JsonReader
