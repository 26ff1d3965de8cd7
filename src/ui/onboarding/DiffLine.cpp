// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiffLine.h"

#include "installer/HookInstaller.h"

#include <unordered_map>

namespace quillo {

namespace {

// Calls `line(offset, length)` for each line, split as normalizedLines does.
template <typename Line> void forEachLine(std::string_view text, Line line) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            line(start, i - start);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    line(start, text.size() - start);
}

} // namespace

std::vector<std::string> normalizedLines(std::string_view text) {
    std::vector<std::string> lines;
    forEachLine(text, [&](std::size_t offset, std::size_t length) {
        lines.emplace_back(text.substr(offset, length));
    });
    return lines;
}

std::vector<DiffRow> diffRows(std::string_view existingText, std::string_view targetText) {
    // Views into the existing text: nothing is copied.
    std::unordered_map<std::string_view, int> remaining;
    // An empty text splits into one empty line; it still counts as no old text.
    if (!existingText.empty()) {
        forEachLine(existingText, [&](std::size_t offset, std::size_t length) {
            ++remaining[existingText.substr(offset, length)];
        });
    }
    std::vector<DiffRow> rows;
    forEachLine(targetText, [&](std::size_t offset, std::size_t length) {
        DiffRow row{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length),
                    DiffLine::Kind::added};
        auto found = remaining.find(targetText.substr(offset, length));
        if (found != remaining.end() && found->second > 0) {
            --found->second;
            row.kind = DiffLine::Kind::context;
        }
        rows.push_back(row);
    });
    return rows;
}

std::vector<DiffLine> DiffLine::build(std::string_view existingText, std::string_view targetText) {
    std::vector<DiffLine> lines;
    for (const DiffRow& row : diffRows(existingText, targetText)) {
        lines.push_back({row.kind, std::string(targetText.substr(row.offset, row.length))});
    }
    return lines;
}

DiffPreview previewDiff(std::string_view existingText, std::string_view targetText) {
    DiffPreview preview;
    if (auto canonical = HookInstaller::canonicalText(existingText)) {
        preview.rows = diffRows(*canonical, targetText);
        preview.reformatted = *canonical != existingText;
    } else {
        preview.rows = diffRows(existingText, targetText);
    }
    return preview;
}

} // namespace quillo
