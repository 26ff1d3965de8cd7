// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/ParallelLineParser.h"
#include "HookEnvelope.h"
#include "MonitoringSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillo {
namespace {

using test::envelopeLine;

const Timestamp parsedAt = timestampFromSeconds(1.9e9);

// A piece of an events file: lines of every kind the reader meets, laid out
// one after the other as the watcher reads them, with the padding after the
// last.
struct Piece {
    std::string text;
    std::vector<std::string_view> lines;

    explicit Piece(std::size_t count) {
        std::vector<std::size_t> ends;
        for (std::size_t i = 0; i < count; ++i) {
            std::string line;
            switch (i % 7) {
            case 0: // no recording time: takes the piece's time
                line = R"({"raw":{"hook_event_name":"Stop","session_id":"n)" + std::to_string(i) +
                       R"("}})";
                break;
            case 1:
                line = R"({"raw":{"hook_event_name":"Stop")"; // torn
                break;
            case 2: // an unpaired surrogate: left to the streaming reader
                line = R"({"raw":{"hook_event_name":"Notification","session_id":"u)" +
                       std::to_string(i) + R"(","message":"half \ud83d"}})";
                break;
            case 3:
                line = R"({"raw":{"session_id":"no name"}})"; // valid, but no event
                break;
            default:
                line = envelopeLine("PreToolUse", "s" + std::to_string(i), 1000 + i,
                                    {{"pad", std::string(i % 300, 'p')}});
                line.pop_back();
                break;
            }
            text += line;
            ends.push_back(text.size());
            text += '\n';
        }
        text.append(HookEnvelope::linePadding, ' ');
        std::size_t start = 0;
        for (std::size_t end : ends) {
            lines.emplace_back(text.data() + start, end - start);
            start = end + 1;
        }
    }

    std::vector<ParsedHookEvent> expected(std::size_t first, std::size_t count) const {
        std::vector<ParsedHookEvent> events;
        for (std::size_t i = first; i < first + count; ++i) {
            if (auto event = HookEnvelope::parseLine(lines[i], parsedAt)) {
                events.push_back(std::move(*event));
            }
        }
        return events;
    }
};

// Both threads write the events of their blocks into one table that the
// caller then reads in order: whatever the split, the events come out as a
// single thread reads them, once each, and nothing of an earlier, longer call
// is left over in a later one.
TEST(ParallelLineParser, GivesTheEventsOfEveryLineInFileOrderWithOrWithoutItsHelper) {
    const Piece piece(3000);
    for (bool helper : {true, false}) {
        ParallelLineParser parser(helper);
        const std::size_t sizes[] = {3000,
                                     ParallelLineParser::sharedFrom,
                                     ParallelLineParser::sharedFrom - 1,
                                     ParallelLineParser::blockLines * 20 + 7,
                                     1,
                                     2999};
        std::size_t first = 0;
        for (std::size_t count : sizes) {
            first = (first + 13) % (piece.lines.size() - count + 1);
            std::vector<ParsedHookEvent> out;
            out.push_back(ParsedHookEvent{"Kept", "before"});
            parser.parse(std::span(piece.lines).subspan(first, count), parsedAt, out);
            ASSERT_EQ(out.front().eventName, "Kept"); // appended to, not replaced
            out.erase(out.begin());
            ASSERT_EQ(out, piece.expected(first, count))
                << "helper " << helper << ", " << count << " lines from " << first;
        }
    }
}

// Many large calls one after another: the helper is handed a new job while it
// may still be waking up from the last one.
TEST(ParallelLineParser, KeepsUpThroughManyCallsInARow) {
    const Piece piece(ParallelLineParser::sharedFrom * 2);
    const auto expected = piece.expected(0, piece.lines.size());
    ParallelLineParser parser;
    for (int call = 0; call < 300; ++call) {
        std::vector<ParsedHookEvent> out;
        parser.parse(piece.lines, parsedAt, out);
        ASSERT_EQ(out, expected) << "call " << call;
    }
}

} // namespace
} // namespace quillo
