// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClaudeCodeVersion.h"

namespace quillo {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads "X.Y.Z" at `pos`; on success `pos` ends after the last digit. Numbers
// of more than nine digits are no release number.
std::optional<ClaudeCodeVersion> readAt(std::string_view text, std::size_t& pos) {
    int parts[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && isDigit(text[pos])) {
            if (pos - start == 9) {
                return std::nullopt;
            }
            parts[i] = parts[i] * 10 + (text[pos] - '0');
            ++pos;
        }
        if (pos == start) {
            return std::nullopt;
        }
    }
    return ClaudeCodeVersion{parts[0], parts[1], parts[2]};
}

} // namespace

std::string ClaudeCodeVersion::text() const {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

std::optional<ClaudeCodeVersion> ClaudeCodeVersion::parse(std::string_view text) {
    std::size_t pos = 0;
    auto version = readAt(text, pos);
    if (!version || (pos < text.size() && text[pos] != '-' && text[pos] != '+')) {
        return std::nullopt;
    }
    return version;
}

std::optional<ClaudeCodeVersion> ClaudeCodeVersion::find(std::string_view text) {
    for (std::size_t start = 0; start < text.size(); ++start) {
        if (!isDigit(text[start]) ||
            (start > 0 && (isDigit(text[start - 1]) || text[start - 1] == '.'))) {
            continue;
        }
        std::size_t pos = start;
        auto version = readAt(text, pos);
        // "1.2.3.4" is no release number, nor part of one.
        if (version && (pos == text.size() || (!isDigit(text[pos]) && text[pos] != '.'))) {
            return version;
        }
    }
    return std::nullopt;
}

} // namespace quillo
