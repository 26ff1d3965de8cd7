// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace quillo {

// Strict UTF-8 check: rejects overlong forms, surrogates and code points past U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// The offset of the first byte that does not start a valid sequence, or
// std::string_view::npos when the whole text is valid.
std::size_t firstInvalidUtf8(std::string_view bytes);

// `bytes` with every byte that does not start a valid sequence (and every
// incomplete sequence) replaced by U+FFFD; valid text comes back unchanged.
std::string replacingInvalidUtf8(std::string_view bytes);

} // namespace quillo
