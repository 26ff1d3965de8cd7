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

// `text` for showing on one line: control characters (C0, DEL, C1) and the
// line and paragraph separators written as escapes ("\n", "\t", "\r", else
// "\u" and four hexadecimal digits), so that a session id with a line feed
// cannot split a line or a NUL reach the terminal. Everything else unchanged.
std::string escapingControlCharacters(std::string_view text);

} // namespace quillo
