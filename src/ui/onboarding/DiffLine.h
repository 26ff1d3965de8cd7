// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

// One line of the hook change listing: the settings file's future text, each
// line marked by whether the current file already has it.
struct DiffLine {
    enum class Kind : std::uint8_t { context, added };

    Kind kind = Kind::context;
    std::string text; // without its line terminator

    bool operator==(const DiffLine&) const = default;

    // Every line of `targetText`, in order. A line is context as many times as
    // the existing text holds it, wherever it stands there, and added beyond
    // that: the target is re-sorted JSON, so a positional diff would flag
    // moved lines that did not change. Lines that disappear are not listed.
    static std::vector<DiffLine> build(std::string_view existingText, std::string_view targetText);
};

// A line of the listing as a place in the target text: a large file has
// hundreds of thousands of lines, which need not each be copied.
struct DiffRow {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    DiffLine::Kind kind = DiffLine::Kind::context;
};

// The rows of `targetText`, classified as DiffLine::build does.
std::vector<DiffRow> diffRows(std::string_view existingText, std::string_view targetText);

// What the preview lists for a plan: the target's rows compared with the
// existing text as the installer's own writer would write it back, so that a
// file in another layout (": " rather than " : ", unescaped slashes, a
// byte-order mark) shows only the installer's real changes.
struct DiffPreview {
    std::vector<DiffRow> rows;
    // Applying also re-formats the file (keys sorted, two-space indentation).
    bool reformatted = false;
};
DiffPreview previewDiff(std::string_view existingText, std::string_view targetText);

// Splits at line feeds after turning CR LF and lone CR into line feeds. Empty
// pieces are kept: a text ending in a line feed yields a final empty line, and
// the empty text one empty line.
std::vector<std::string> normalizedLines(std::string_view text);

} // namespace quillo
