// SPDX-License-Identifier: GPL-3.0-or-later
#include "Utf8.h"

#include <cstdint>

namespace quillo {

namespace {

// The length of the valid sequence at `p`, or 0 when it is not one.
std::size_t sequenceLength(const unsigned char* p, const unsigned char* end) {
    unsigned char c = *p;
    if (c < 0x80) {
        return 1;
    }
    int length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        cp = c & 0x1F;
        minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        cp = c & 0x0F;
        minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        cp = c & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return static_cast<std::size_t>(length);
}

} // namespace

std::string replacingInvalidUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + 16);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        std::size_t length = sequenceLength(p, end);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++p;
            continue;
        }
        out.append(reinterpret_cast<const char*>(p), length);
        p += length;
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    return firstInvalidUtf8(bytes) == std::string_view::npos;
}

std::size_t firstInvalidUtf8(std::string_view bytes) {
    const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* p = begin;
    const auto* end = p + bytes.size();
    while (p < end) {
        std::size_t length = sequenceLength(p, end);
        if (length == 0) {
            return static_cast<std::size_t>(p - begin);
        }
        p += length;
    }
    return std::string_view::npos;
}

std::string escapingControlCharacters(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    auto escape = [](std::string& out, unsigned code) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) {
            out += hex[(code >> shift) & 0xF];
        }
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            escape(out, c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(out, next); // U+0080..U+009F
            ++i;
        } else if (c == 0xE2 && next == 0x80 && i + 2 < text.size() &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            escape(out, text[i + 2] == '\xA8' ? 0x2028 : 0x2029);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace quillo
