// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonReader.h"

#include "HexDigit.h"

#include <vector>

namespace quillo::JsonReader {

namespace {

// The code unit of a "\uXXXX" escape starting at `at`, or -1.
int escapedUnit(std::string_view text, std::size_t at) {
    if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') {
        return -1;
    }
    int unit = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        int digit = hexDigitValue(text[i]);
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

bool mayHoldSurrogateEscape(std::string_view text) {
    for (auto at = text.find("\\u"); at != std::string_view::npos; at = text.find("\\u", at + 1)) {
        if (at + 2 < text.size() && (text[at + 2] == 'd' || text[at + 2] == 'D')) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<std::string> replaceLoneSurrogates(std::string_view text) {
    if (!mayHoldSurrogateEscape(text)) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    bool changed = false;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '"') {
            inString = !inString;
        } else if (inString && c == '\\') {
            int unit = escapedUnit(text, i);
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                int next = escapedUnit(text, i + 6);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    out.append(text.substr(i, 12)); // a proper pair
                    i += 12;
                    continue;
                }
            }
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                out += "\\ufffd";
                changed = true;
                i += 6;
                continue;
            }
            // Any other escape, copied whole so that an escaped backslash
            // before a "u" is not taken for the start of one.
            out.append(text.substr(i, 2));
            i += 2;
            continue;
        }
        out += c;
        ++i;
    }
    if (!changed) {
        return std::nullopt;
    }
    return out;
}

namespace {

using nlohmann::json;

// Builds the document from the parser's events, leaving out every array and
// object that would sit deeper than the limit. Its own state is a stack of at
// most `maxDepth` pointers and a count of the levels being skipped, whatever
// the input's depth (a megabyte of "[" included).
class DepthLimitedBuilder : public nlohmann::json_sax<json> {
public:
    explicit DepthLimitedBuilder(int maxDepth) : maxDepth_(maxDepth) {}

    json take() { return std::move(root_); }

    bool null() override { return add(json(nullptr)); }
    bool boolean(bool value) override { return add(json(value)); }
    bool number_integer(number_integer_t value) override { return add(json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return add(json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return add(json(value)); }
    bool string(string_t& value) override { return add(json(std::move(value))); }
    bool binary(binary_t&) override { return false; }
    bool key(string_t& name) override {
        if (skipped_ == 0) {
            key_ = std::move(name);
        }
        return true;
    }
    bool start_object(std::size_t) override { return open(json::object()); }
    bool start_array(std::size_t) override { return open(json::array()); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    // Where the next value goes; nullptr while skipping.
    json* place(json value) {
        if (skipped_ > 0) {
            return nullptr;
        }
        if (stack_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        json& parent = *stack_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        // As in a parsed document, the last of duplicate keys wins.
        json& slot = parent[key_];
        slot = std::move(value);
        return &slot;
    }

    bool add(json value) {
        place(std::move(value));
        return true;
    }

    bool open(json container) {
        if (skipped_ > 0 || static_cast<int>(stack_.size()) >= maxDepth_) {
            ++skipped_;
            return true;
        }
        // The parent does not change while this child is open, so the
        // pointer stays valid until the child is closed.
        stack_.push_back(place(std::move(container)));
        return true;
    }

    bool close() {
        if (skipped_ > 0) {
            --skipped_;
        } else {
            stack_.pop_back();
        }
        return true;
    }

    int maxDepth_;
    json root_;
    std::vector<json*> stack_;
    std::string key_;
    int skipped_ = 0;
};

std::optional<json> parseWithin(std::string_view text, int maxDepth) {
    DepthLimitedBuilder builder(maxDepth);
    if (!json::sax_parse(text, &builder, json::input_format_t::json, /*strict=*/true)) {
        return std::nullopt;
    }
    return builder.take();
}

} // namespace

std::optional<nlohmann::json> parse(std::string_view text, int maxDepth) {
    if (auto parsed = parseWithin(text, maxDepth)) {
        return parsed;
    }
    if (auto repaired = replaceLoneSurrogates(text)) {
        return parseWithin(*repaired, maxDepth);
    }
    return std::nullopt;
}

} // namespace quillo::JsonReader
