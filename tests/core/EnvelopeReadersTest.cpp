// SPDX-License-Identifier: GPL-3.0-or-later
// The fast reader must read every line as the streaming reader does, or leave
// it to that reader. Many generated and mutated lines go through both.
#include "HookEnvelope.h"
#include "HookEnvelopeReaders.h"

#include <gtest/gtest.h>

#include <random>

namespace quillo {
namespace {

using nlohmann::json;

const Timestamp parsedAt = timestampFromSeconds(1'800'000'000.0);

class LineMaker {
public:
    explicit LineMaker(std::uint32_t seed) : rng_(seed) {}

    std::string next() {
        std::string line = envelope().dump(-1, ' ', chance(0.3));
        int mutations = pick({0, 0, 1, 1, 2, 3});
        for (int i = 0; i < mutations; ++i) {
            mutate(line);
        }
        return line;
    }

private:
    bool chance(double p) { return std::uniform_real_distribution<>(0, 1)(rng_) < p; }
    int below(int n) { return std::uniform_int_distribution<>(0, n - 1)(rng_); }
    template <typename T> T pick(std::initializer_list<T> options) {
        return *(options.begin() + below(static_cast<int>(options.size())));
    }

    // "@U@" in generated strings becomes a unicode escape after dumping.
    json text() {
        return pick<json>({"Stop", "s-1", "", "/home/dana/src", "权限 permission", "a@U@b", "@U@",
                           "tab\tand \"quote\" and \\ slash /", std::string("nul\0x", 5)});
    }
    json number() {
        return pick<json>({0, -1, 42, 4321, 2147483647, -2147483648LL, 2147483648LL,
                           9223372036854775807LL, 18446744073709551615ULL, 1.5, -0.0, 1e300,
                           1.8e9 + 0.123});
    }
    json anyValue(int depth = 0) {
        switch (below(depth > 2 ? 5 : 7)) {
        case 0:
            return text();
        case 1:
            return number();
        case 2:
            return pick<json>({true, false});
        case 3:
            return nullptr;
        case 4:
            return json::array();
        case 5: {
            json a = json::array();
            for (int i = below(4); i > 0; --i) {
                a.push_back(anyValue(depth + 1));
            }
            return a;
        }
        default: {
            json o = json::object();
            for (int i = below(4); i > 0; --i) {
                o[pick<std::string>({"k", "cwd", "session_id", "x@U@"})] = anyValue(depth + 1);
            }
            return o;
        }
        }
    }
    // Mostly the right type, sometimes another.
    json member(json usual) { return chance(0.8) ? usual : anyValue(1); }

    json envelope() {
        json raw = json::object();
        for (const char* key : {"hook_event_name", "eventName", "session_id", "sessionId", "cwd",
                                "message", "notification_type", "source", "tool_input"}) {
            if (chance(0.6)) {
                raw[key] = member(text());
            }
        }
        if (chance(0.2)) {
            raw["hook_event_name"] = "Notification";
            raw["session_id"] = "sess";
        }
        json top = json::object();
        if (chance(0.9)) {
            top["raw"] = chance(0.9) ? raw : anyValue(1);
        }
        if (chance(0.8)) {
            top["recorded_at"] = member(number());
        }
        if (chance(0.8)) {
            top["claude_pid"] = member(number());
        }
        if (chance(0.8)) {
            json chain = json::array();
            for (int i = below(5); i > 0; --i) {
                chain.push_back(chance(0.9) ? number() : anyValue(2));
            }
            top["pid_chain"] = member(chain);
        }
        if (chance(0.7)) {
            top["shell_tty"] = member("/dev/pts/" + std::to_string(below(400)));
        }
        if (chance(0.3)) {
            top["extra"] = anyValue(1);
        }
        return top;
    }

    void replaceAll(std::string& line, const std::string& from, std::string to) {
        for (auto at = line.find(from); at != std::string::npos; at = line.find(from, at)) {
            line.replace(at, from.size(), to);
            at += to.size();
        }
    }

    void mutate(std::string& line) {
        std::size_t at = line.empty() ? 0 : static_cast<std::size_t>(below(int(line.size())));
        switch (below(12)) {
        case 0: // unicode escapes, paired and not
            replaceAll(line, "@U@",
                       pick<std::string>({"\\ud800", "\\udc00", "\\ud83d\\ude00", "\\uD83D",
                                          "\\\\ud800", "\\ud800\\u0041", "\\u00e9", "\\ud800\\"}));
            break;
        case 1: { // a member nested deep, inside the payload or at the top
            int depth = pick({100, 600, 1100, 3000});
            std::string deep = std::string(depth, '[') + "1" + std::string(depth, ']');
            auto brace = line.find(chance(0.5) ? "\"raw\":{" : "{");
            if (brace != std::string::npos) {
                auto open = line.find('{', brace);
                line.insert(open + 1, "\"deep\":" + deep + (line[open + 1] == '}' ? "" : ","));
            }
            break;
        }
        case 2: // odd whitespace anywhere
            line.insert(at, 1, pick({' ', '\t', '\r', '\n', '\f', '\v', '\x00'}));
            break;
        case 3: // duplicate keys, last one wins, in the payload and at the top
            if (auto raw = line.find("\"raw\":{"); raw != std::string::npos && chance(0.5)) {
                line.insert(raw + 7, pick<std::string>({R"("session_id":"early",)",
                                                        R"("hook_event_name":"Stop",)",
                                                        R"("cwd":7,)", R"("message":"m",)"}));
            } else if (auto brace = line.rfind('}'); brace != std::string::npos) {
                line.insert(brace, pick<std::string>(
                                       {R"(,"session_id":"dup")", R"(,"session_id":7)",
                                        R"(,"raw":{"hook_event_name":"Stop","session_id":"d"})",
                                        R"(,"claude_pid":"x")", R"(,"pid_chain":[1,2])",
                                        R"(,"recorded_at":null)"}));
            }
            break;
        case 4: // invalid UTF-8
            line.insert(at, pick<std::string>({"\xff", "\xc0\x80", "\xe4\xb8", "\xed\xa0\x80",
                                               "\xf4\x90\x80\x80"}));
            break;
        case 5:
            if (!line.empty()) {
                line.erase(at, 1);
            }
            break;
        case 6:
            line.resize(at);
            break;
        case 7:
            if (!line.empty()) {
                line[at] = static_cast<char>(below(256));
            }
            break;
        case 8: // numbers at the edges of what readers agree on
            replaceAll(line, pick<std::string>({"42", "4321", "1.5", "0"}),
                       pick<std::string>({"1e400", "-0", "18446744073709551616", "1.0", "01", "1E2",
                                          "-", "1e-400", "2147483648", "4.2e1",
                                          "1800000000.12300000000000000000001",
                                          "0.1000000000000000055511151231257827",
                                          "9007199254740993", "-9223372036854775809"}));
            break;
        case 9:
            line += pick<std::string>({"}", " x", " ", "\n", "{}", ","});
            break;
        case 10:
            line.insert(0, pick<std::string>({" ", "[", "\xef\xbb\xbf", "\t"}));
            break;
        default: // a literal cut short or misspelt
            replaceAll(line, pick<std::string>({"true", "false", "null"}),
                       pick<std::string>({"tru", "nul", "falsey", "nulll", "True"}));
            break;
        }
    }

    std::mt19937 rng_;
};

TEST(EnvelopeReaders, FastReaderAgreesWithTheStreamingReaderOrLeavesTheLineToIt) {
    LineMaker maker(20261207);
    int decided = 0;
    int events = 0;
    constexpr int lines = 8000;
    for (int i = 0; i < lines; ++i) {
        std::string line = maker.next();
        auto expected = HookEnvelope::parseLineStreaming(line, parsedAt);
        auto fast = HookEnvelope::parseLineFast(line, parsedAt);
        if (fast) {
            ++decided;
            ASSERT_EQ(*fast, expected) << "line " << i << ": " << line;
        }
        ASSERT_EQ(HookEnvelope::parseLine(line, parsedAt), expected) << line;
        // Read where it lies, followed by more of the file: the reader must
        // stop at the line's end whatever comes after it.
        std::string inPlace = line + R"(", "x"]}}, "raw": {"session_id": "next"}})";
        inPlace.append(HookEnvelope::linePadding, '}');
        std::vector<ParsedHookEvent> appended(1); // added to, never replaced
        HookEnvelope::appendPaddedLine(std::string_view(inPlace).substr(0, line.size()), parsedAt,
                                       appended);
        ASSERT_EQ(appended.size(), expected ? 2u : 1u) << line;
        if (expected) {
            ASSERT_EQ(appended.back(), *expected) << line;
        }
        events += expected.has_value();
    }
    // The generator must reach both outcomes, and the fast reader must decide
    // the bulk, or it is no faster than the reader it stands in for.
    EXPECT_GT(events, lines / 10);
    EXPECT_GT(decided, lines / 2);
}

TEST(EnvelopeReaders, LinesTheRecorderWritesAreDecidedByTheFastReader) {
    json payload = {
        {"hook_event_name", "PreToolUse"},
        {"session_id", "5d41a8b7"},
        {"cwd", "/home/dana/src/atlas"},
        {"tool_input", {{"command", "make test"}, {"nested", {{"a", {1, 2.5, nullptr}}}}}},
        {"message", "需要权限 / permission"}};
    auto line = *HookEnvelope::encodeLine(payload, timestampFromSeconds(1.8e9), 4242,
                                          std::vector<std::int32_t>{4242, 4000, 1}, "/dev/pts/3");
    line.pop_back();
    auto fast = HookEnvelope::parseLineFast(line, parsedAt);
    ASSERT_TRUE(fast && *fast);
    EXPECT_EQ(**fast, HookEnvelope::parseLineStreaming(line, parsedAt));
    EXPECT_EQ((*fast)->message, "需要权限 / permission");
    EXPECT_EQ((*fast)->pidChain, (std::vector<std::int32_t>{4242, 4000, 1}));
}

} // namespace
} // namespace quillo
