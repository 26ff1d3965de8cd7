#pragma once

#include <string>
#include <string_view>

namespace quillo::DisplayName {

// A display name fit to be a peer identity and a DNS-SD instance name: trimmed,
// "quillo-device" when blank, at most 32 user-perceived characters and never
// more than 63 bytes of UTF-8, cut only between characters.
std::string sanitize(std::string_view displayName);

inline constexpr std::size_t maxCharacters = 32;
inline constexpr std::size_t maxBytes = 63;

} // namespace quillo::DisplayName
