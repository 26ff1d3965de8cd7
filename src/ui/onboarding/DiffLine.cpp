// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiffLine.h"

#include "installer/HookInstaller.h"

#include <algorithm>
#include <functional>
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

// Room for every line of `text`, so that the rows of a large file are not
// copied again and again as they grow.
std::size_t lineCountAtMost(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n') +
                                    std::count(text.begin(), text.end(), '\r')) +
           1;
}

// How often each line occurs in a text that is never held whole: the lines
// are kept as 64-bit hashes, a few bytes each. Two different lines share a
// hash with a chance of about one in 10^19 per pair; even a file of a million
// lines is far from making that likely, and the cost of it would be one line
// shown as unchanged in a preview.
class LineCounts {
public:
    void add(std::string_view line) { hashes_.push_back(std::hash<std::string_view>{}(line)); }

    // After the last add.
    void count() {
        std::sort(hashes_.begin(), hashes_.end());
        for (std::size_t i = 0; i < hashes_.size();) {
            std::size_t j = i;
            while (j < hashes_.size() && hashes_[j] == hashes_[i]) {
                ++j;
            }
            counts_.push_back({hashes_[i], static_cast<std::uint32_t>(j - i)});
            i = j;
        }
        hashes_ = {};
    }

    // Whether the text holds `line` once more than taken so far; takes it.
    bool take(std::string_view line) {
        const std::uint64_t hash = std::hash<std::string_view>{}(line);
        auto found = std::lower_bound(counts_.begin(), counts_.end(), hash,
                                      [](const Count& c, std::uint64_t h) { return c.hash < h; });
        if (found == counts_.end() || found->hash != hash || found->remaining == 0) {
            return false;
        }
        --found->remaining;
        return true;
    }

private:
    struct Count {
        std::uint64_t hash;
        std::uint32_t remaining;
    };
    std::vector<std::uint64_t> hashes_;
    std::vector<Count> counts_;
};

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
    rows.reserve(lineCountAtMost(targetText));
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
    // The existing text as the writer would write it back is only looked at,
    // line by line as it is written: for a file of many megabytes it is never
    // held whole next to the plan's two texts and the parsed file.
    LineCounts existingLines;
    std::string line; // the start of a line that continues in the next piece
    std::size_t compared = 0;
    bool unchanged = true; // the canonical text so far is the existing text
    const bool canonical = HookInstaller::canonicalText(existingText, [&](std::string_view piece) {
        unchanged = unchanged && compared <= existingText.size() &&
                    existingText.substr(compared, piece.size()) == piece;
        compared += piece.size();
        for (std::size_t end = piece.find('\n'); end != std::string_view::npos;
             end = piece.find('\n')) {
            if (line.empty()) {
                existingLines.add(piece.substr(0, end));
            } else {
                line.append(piece.substr(0, end));
                existingLines.add(line);
                line.clear();
            }
            piece.remove_prefix(end + 1);
        }
        line.append(piece);
    });
    DiffPreview preview;
    if (!canonical) {
        preview.rows = diffRows(existingText, targetText);
        return preview;
    }
    existingLines.add(line); // the last, empty after the final line feed
    existingLines.count();
    preview.reformatted = !unchanged || compared != existingText.size();
    preview.rows.reserve(lineCountAtMost(targetText));
    forEachLine(targetText, [&](std::size_t offset, std::size_t length) {
        const bool kept = existingLines.take(targetText.substr(offset, length));
        preview.rows.push_back({static_cast<std::uint32_t>(offset),
                                static_cast<std::uint32_t>(length),
                                kept ? DiffLine::Kind::context : DiffLine::Kind::added});
    });
    return preview;
}

} // namespace quillo
