// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillo::DisplayName {

// A display name fit to be a peer identity and a DNS-SD instance name: trimmed,
// "quillo-device" when blank, at most 32 user-perceived characters and never
// more than 63 bytes of UTF-8, cut only between characters.
std::string sanitize(std::string_view displayName);

// A name that came from someone else, fit to show and to log: control
// characters and bidirectional controls (which could reorder or hide the text
// around a quoted name) removed, runs of white space turned into one space,
// trimmed. May be empty.
std::string clean(std::string_view displayName);

inline constexpr std::size_t maxCharacters = 32;
inline constexpr std::size_t maxBytes = 63;

} // namespace quillo::DisplayName
