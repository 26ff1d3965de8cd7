// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiffLine.h"

#include <unordered_map>

namespace quillo {

std::vector<std::string> normalizedLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

std::vector<DiffLine> DiffLine::build(std::string_view existingText, std::string_view targetText) {
    const std::vector<std::string> target = normalizedLines(targetText);
    std::unordered_map<std::string, int> remaining;
    // An empty text splits into one empty line; it still counts as no old text.
    if (!existingText.empty()) {
        for (std::string& line : normalizedLines(existingText)) {
            ++remaining[std::move(line)];
        }
    }
    std::vector<DiffLine> result;
    result.reserve(target.size());
    for (const std::string& line : target) {
        auto found = remaining.find(line);
        if (found != remaining.end() && found->second > 0) {
            --found->second;
            result.push_back({Kind::context, line});
        } else {
            result.push_back({Kind::added, line});
        }
    }
    return result;
}

} // namespace quillo
