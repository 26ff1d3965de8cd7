// SPDX-License-Identifier: GPL-3.0-or-later
// parseLine: the fast reader first, the streaming reader where it cannot decide.
// Apart from encodeLine, so that the recorder, which only writes, links none of it.
#include "EnvelopeMembers.h"
#include "HookEnvelope.h"
#include "HookEnvelopeReaders.h"
#include "JsonLimits.h"

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace quillo::HookEnvelope {

namespace {

namespace od = simdjson::ondemand;

// Every reader below returns false where the line is not valid JSON or holds
// something read differently from the streaming reader: the caller then leaves
// the line to that reader.

// Reads `value` through to its end, checking it as a full parse would: the
// on-demand parser skips over what is not read without checking it. This
// recurses, so lines nested deeper than the recorder writes are left to the
// streaming reader, which keeps no stack.
bool checkValue(od::value value, int depth = 2) {
    if (depth > JsonLimits::maxDepth) {
        return false;
    }
    od::json_type type;
    if (value.type().get(type)) {
        return false;
    }
    switch (type) {
    case od::json_type::object: {
        od::object object;
        if (value.get_object().get(object)) {
            return false;
        }
        for (auto field : object) {
            std::string_view key;
            od::value member;
            if (field.unescaped_key().get(key) || field.value().get(member) ||
                !checkValue(member, depth + 1)) {
                return false;
            }
        }
        return true;
    }
    case od::json_type::array: {
        od::array array;
        if (value.get_array().get(array)) {
            return false;
        }
        for (auto element : array) {
            od::value item;
            if (element.get(item) || !checkValue(item, depth + 1)) {
                return false;
            }
        }
        return true;
    }
    case od::json_type::string: {
        std::string_view text;
        return !value.get_string().get(text);
    }
    case od::json_type::number: {
        od::number number;
        return !value.get_number().get(number);
    }
    case od::json_type::boolean: {
        bool flag;
        return !value.get_bool().get(flag);
    }
    case od::json_type::null: {
        bool isNull = false;
        return !value.is_null().get(isNull) && isNull;
    }
    }
    return false;
}

// A string member: its text, or absent for a value of another type.
bool readString(od::value value, std::optional<std::string>& out) {
    od::json_type type;
    if (value.type().get(type)) {
        return false;
    }
    if (type != od::json_type::string) {
        out.reset();
        return checkValue(value);
    }
    std::string_view text;
    if (value.get_string().get(text)) {
        return false;
    }
    out.emplace(text);
    return true;
}

// A process id: an integer that fits 32 bits; any other number is absent.
std::optional<std::int32_t> pidOf(od::number number) {
    if (number.get_number_type() != od::number_type::signed_integer) {
        return std::nullopt; // a fraction, or beyond the signed 64-bit range
    }
    std::int64_t value = number.get_int64();
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

bool readNumber(od::value value, od::json_type& type, od::number& number) {
    if (value.type().get(type)) {
        return false;
    }
    if (type != od::json_type::number) {
        return checkValue(value);
    }
    return !value.get_number().get(number);
}

using Members = EnvelopeMembers;

bool readRaw(od::value value, Members& members) {
    // A later "raw" replaces an earlier one, as in a parsed document.
    members.raw = {};
    od::json_type type;
    if (value.type().get(type)) {
        return false;
    }
    if (type != od::json_type::object) {
        return checkValue(value);
    }
    od::object object;
    if (value.get_object().get(object)) {
        return false;
    }
    for (auto field : object) {
        std::string_view key;
        od::value member;
        if (field.unescaped_key().get(key) || field.value().get(member)) {
            return false;
        }
        auto* slot = members.raw.slot(key);
        if (slot ? !readString(member, *slot) : !checkValue(member)) {
            return false;
        }
    }
    return true;
}

bool readChain(od::value value, Members& members) {
    members.pidChain.reset();
    od::json_type type;
    if (value.type().get(type)) {
        return false;
    }
    if (type != od::json_type::array) {
        return checkValue(value);
    }
    od::array array;
    if (value.get_array().get(array)) {
        return false;
    }
    std::vector<std::int32_t> chain;
    bool valid = true;
    for (auto element : array) {
        od::value item;
        od::json_type itemType;
        od::number number;
        if (element.get(item) || !readNumber(item, itemType, number)) {
            return false;
        }
        std::optional<std::int32_t> pid;
        if (itemType == od::json_type::number) {
            pid = pidOf(number);
        }
        if (pid && valid) {
            chain.push_back(*pid);
        } else {
            valid = false;
        }
    }
    if (valid) {
        members.pidChain = std::move(chain);
    }
    return true;
}

bool readMember(std::string_view key, od::value value, Members& members) {
    if (key == "raw") {
        return readRaw(value, members);
    }
    if (key == "pid_chain") {
        return readChain(value, members);
    }
    if (key == "shell_tty") {
        return readString(value, members.shellTTY);
    }
    if (key == "recorded_at" || key == "claude_pid") {
        // Numbers with more digits than a double holds may round differently
        // in the last bit; the recorder never writes such.
        std::string_view token = value.raw_json_token();
        bool numeric = !token.empty() && (token[0] == '-' || (token[0] >= '0' && token[0] <= '9'));
        if (numeric && token.size() > 24) {
            return false;
        }
        od::json_type type;
        od::number number;
        if (!readNumber(value, type, number)) {
            return false;
        }
        bool isNumber = type == od::json_type::number;
        if (key == "recorded_at") {
            members.recordedAt =
                isNumber ? std::optional<double>(number.as_double()) : std::nullopt;
        } else {
            members.claudePID = isNumber ? pidOf(number) : std::nullopt;
        }
        return true;
    }
    return checkValue(value);
}

} // namespace

std::optional<std::optional<ParsedHookEvent>> parseLineFast(std::string_view line,
                                                            Timestamp parsedAt) {
    // One parser and one padded copy per thread: the parser keeps its buffers
    // between lines, and the copy gives simdjson the padding it reads into.
    thread_local od::parser parser;
    thread_local std::string padded;
    const std::size_t capacity = line.size() + simdjson::SIMDJSON_PADDING;
    if (padded.size() < capacity) {
        padded.resize(std::max<std::size_t>(capacity, 4096));
    }
    std::memcpy(padded.data(), line.data(), line.size());
    std::memset(padded.data() + line.size(), ' ', simdjson::SIMDJSON_PADDING);

    od::document document;
    if (parser.iterate(padded.data(), line.size(), padded.size()).get(document)) {
        return std::nullopt;
    }
    od::object top;
    auto error = document.get_object().get(top);
    // The streaming reader skips a byte order mark at the start; this one would
    // take the line for something other than an object.
    if (error == simdjson::INCORRECT_TYPE && !line.starts_with("\xEF\xBB\xBF")) {
        return std::optional<ParsedHookEvent>(); // not an object: no event, valid or not
    }
    if (error) {
        return std::nullopt;
    }
    Members members;
    for (auto field : top) {
        std::string_view key;
        od::value value;
        if (field.unescaped_key().get(key) || field.value().get(value) ||
            !readMember(key, value, members)) {
            return std::nullopt;
        }
    }
    // Anything after the object makes the line invalid.
    if (!document.current_location().error()) {
        return std::nullopt;
    }

    return std::optional<std::optional<ParsedHookEvent>>(std::in_place,
                                                         members.takeEvent(parsedAt));
}

std::string_view fastReaderKernel() {
    // The on-demand parser takes its implementation from the same choice.
    static const std::string name = simdjson::get_active_implementation()->name();
    return name;
}

std::optional<ParsedHookEvent> parseLine(std::string_view line) {
    return parseLine(line, now());
}

std::optional<ParsedHookEvent> parseLine(std::string_view line, Timestamp parsedAt) {
    if (auto decided = parseLineFast(line, parsedAt)) {
        return std::move(*decided);
    }
    return parseLineStreaming(line, parsedAt);
}

} // namespace quillo::HookEnvelope
