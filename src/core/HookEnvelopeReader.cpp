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
#include <utility>

namespace quillo::HookEnvelope {

namespace {

namespace dom = simdjson::dom;

// The fast reader parses a line completely with the parser simdjson chose for
// this processor: both the structural scan and the tape are built by that
// kernel, and the full parse checks every value on the way. The readers below
// then only pick what an event needs from the tape. A line the parser refuses
// is left to the streaming reader, which decides it.

// A string member: its text, or absent for a value of another type.
void readString(dom::element value, std::optional<std::string>& out) {
    std::string_view text;
    if (value.get_string().get(text)) {
        out.reset();
    } else {
        out.emplace(text);
    }
}

// A process id: an integer that fits 32 bits; any other number is absent.
// The tape keeps the kind of number its text was: a fraction stays a double,
// and integers beyond the signed 64-bit range are unsigned.
std::optional<std::int32_t> pidOf(dom::element value) {
    std::int64_t number = 0;
    if (value.type() != dom::element_type::INT64 || value.get_int64().get(number) ||
        number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

using Members = EnvelopeMembers;

void readRaw(dom::element value, Members& members) {
    // A later "raw" replaces an earlier one, as in a parsed document.
    members.raw = {};
    dom::object object;
    if (value.get_object().get(object)) {
        return;
    }
    for (dom::key_value_pair field : object) {
        if (auto* slot = members.raw.slot(field.key)) {
            readString(field.value, *slot);
        }
    }
}

void readChain(dom::element value, Members& members) {
    members.pidChain.reset();
    dom::array array;
    if (value.get_array().get(array)) {
        return;
    }
    std::vector<std::int32_t> chain;
    chain.reserve(array.size());
    for (dom::element item : array) {
        auto pid = pidOf(item);
        if (!pid) {
            return; // one element that is no process id makes the chain absent
        }
        chain.push_back(*pid);
    }
    members.pidChain = std::move(chain);
}

void readMember(std::string_view key, dom::element value, Members& members) {
    if (named(key, "raw")) {
        readRaw(value, members);
    } else if (named(key, "pid_chain")) {
        readChain(value, members);
    } else if (named(key, "shell_tty")) {
        readString(value, members.shellTTY);
    } else if (named(key, "recorded_at")) {
        double seconds = 0;
        members.recordedAt = value.is_number() && !value.get_double().get(seconds)
                                 ? std::optional<double>(seconds)
                                 : std::nullopt;
    } else if (named(key, "claude_pid")) {
        members.claudePID = pidOf(value);
    }
}

// What the fast reader made of a line.
enum class FastRead { members, notAnObject, undecided };

FastRead readFast(std::string_view line, bool padded, Members& members) {
    static_assert(linePadding >= simdjson::SIMDJSON_PADDING);
    // The streaming reader skips a byte order mark at the start; leave such a
    // line to it.
    if (line.starts_with("\xEF\xBB\xBF")) {
        return FastRead::undecided;
    }
    // One parser per thread, which keeps its buffers between lines. Lines
    // nested deeper than this are left to the streaming reader, which keeps no
    // stack.
    thread_local dom::parser parser;
    thread_local bool allocated = parser.allocate(4096, JsonLimits::maxDepth) == simdjson::SUCCESS;
    if (!allocated) {
        return FastRead::undecided;
    }
    const char* text = line.data();
    if (!padded) {
        // A copy gives simdjson the padding it reads into.
        thread_local std::string copy;
        const std::size_t capacity = line.size() + simdjson::SIMDJSON_PADDING;
        if (copy.size() < capacity) {
            copy.resize(std::max<std::size_t>(capacity, 4096));
        }
        std::memcpy(copy.data(), line.data(), line.size());
        text = copy.data();
    }

    dom::element document;
    if (parser.parse(reinterpret_cast<const std::uint8_t*>(text), line.size(), false)
            .get(document)) {
        return FastRead::undecided;
    }
    dom::object top;
    if (document.get_object().get(top)) {
        return FastRead::notAnObject;
    }
    // Integers beyond 64 bits are refused by the parser above; numbers with
    // more digits than a double holds are read exactly by both readers.
    for (dom::key_value_pair field : top) {
        readMember(field.key, field.value, members);
    }
    return FastRead::members;
}

} // namespace

std::optional<std::optional<ParsedHookEvent>> parseLineFast(std::string_view line,
                                                            Timestamp parsedAt) {
    Members members;
    switch (readFast(line, false, members)) {
    case FastRead::members:
        return std::optional<std::optional<ParsedHookEvent>>(std::in_place,
                                                             members.takeEvent(parsedAt));
    case FastRead::notAnObject:
        return std::optional<ParsedHookEvent>(); // no event
    case FastRead::undecided:
        break;
    }
    return std::nullopt;
}

std::string_view fastReaderKernel() {
    // The parser takes its implementation from the same choice.
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

void appendPaddedLine(std::string_view line, Timestamp parsedAt,
                      std::vector<ParsedHookEvent>& events) {
    // The event is made where it ends up: a backlog's lines are read by the
    // hundred thousand, and every move of an event on the way costs.
    Members members;
    switch (readFast(line, true, members)) {
    case FastRead::members:
        members.appendEventTo(events, parsedAt);
        return;
    case FastRead::notAnObject:
        return;
    case FastRead::undecided:
        break;
    }
    if (auto event = parseLineStreaming(line, parsedAt)) {
        events.push_back(std::move(*event));
    }
}

} // namespace quillo::HookEnvelope
