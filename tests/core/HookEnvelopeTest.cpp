// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookEnvelope.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using nlohmann::json;

std::string withoutNewline(const std::string& line) {
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    return line.substr(0, line.size() - 1);
}

const Timestamp parsedAt = timestampFromSeconds(1'800'000'000.0);

std::optional<ParsedHookEvent> parse(const std::string& line) {
    return HookEnvelope::parseLine(line, parsedAt);
}

TEST(HookEnvelope, EncodesOnlyTheKeysItIsGivenAsOneCompactLine) {
    auto bare = HookEnvelope::encodeLine(json::object(), timestampFromSeconds(1.5), std::nullopt,
                                         std::nullopt, std::nullopt);
    ASSERT_TRUE(bare);
    EXPECT_EQ(*bare, "{\"raw\":{},\"recorded_at\":1.5}\n");

    auto full = HookEnvelope::encodeLine(json{{"cwd", "/a/b"}}, timestampFromSeconds(2), 7,
                                         std::vector<std::int32_t>{}, "/dev/pts/4");
    ASSERT_TRUE(full);
    auto object = json::parse(withoutNewline(*full));
    EXPECT_EQ(object.size(), 5u);
    EXPECT_EQ(object["pid_chain"], json::array());
    EXPECT_NE(full->find(R"("shell_tty":"\/dev\/pts\/4")"), std::string::npos);
    EXPECT_EQ(full->find('\n'), full->size() - 1) << "exactly one line";
}

TEST(HookEnvelope, WhatIsEncodedParsesBack) {
    json payload = {{"hook_event_name", "Notification"},
                    {"session_id", "abc-123"},
                    {"cwd", "/home/u/proj"},
                    {"message", "Claude needs your permission to use Bash"},
                    {"notification_type", "permission_prompt"},
                    {"source", "resume"},
                    {"transcript_path", "/home/u/.claude/x.jsonl"}};
    Timestamp at = timestampFromSeconds(1'765'000'000.123456);
    auto line = HookEnvelope::encodeLine(payload, at, 4242,
                                         std::vector<std::int32_t>{4242, 4000, 2}, "/dev/pts/7");
    ASSERT_TRUE(line);
    auto event = parse(withoutNewline(*line));
    ASSERT_TRUE(event);
    EXPECT_EQ(event->eventName, "Notification");
    EXPECT_EQ(event->sessionId, "abc-123");
    EXPECT_EQ(event->cwd, "/home/u/proj");
    EXPECT_EQ(event->message, "Claude needs your permission to use Bash");
    EXPECT_EQ(event->notificationType, "permission_prompt");
    EXPECT_EQ(event->source, "resume");
    EXPECT_EQ(event->claudePID, 4242);
    EXPECT_EQ(event->pidChain, (std::vector<std::int32_t>{4242, 4000, 2}));
    EXPECT_EQ(event->shellTTY, "/dev/pts/7");
    EXPECT_DOUBLE_EQ(secondsSince1970(event->timestamp), secondsSince1970(at));
}

TEST(HookEnvelope, LinesWithoutEventOrSessionAreNotEvents) {
    EXPECT_FALSE(parse(""));
    EXPECT_FALSE(parse("not json"));
    EXPECT_FALSE(parse(R"("a bare string")"));
    EXPECT_FALSE(parse(R"([1,2])"));
    EXPECT_FALSE(parse(R"({"raw":"plain text the recorder got","recorded_at":1})"));
    EXPECT_FALSE(parse(R"({"raw":{"session_id":"s"}})"));
    EXPECT_FALSE(parse(R"({"raw":{"hook_event_name":"Stop"}})"));
    // An empty name is a name: the fallback does not apply.
    EXPECT_FALSE(parse(R"({"raw":{"hook_event_name":"","eventName":"Stop","session_id":"s"}})"));
}

TEST(HookEnvelope, FallbackKeysApplyOnlyWhenThePrimaryIsNotAString) {
    auto event = parse(R"({"raw":{"eventName":"Stop","session_id":7,"sessionId":"s2"}})");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->eventName, "Stop");
    EXPECT_EQ(event->sessionId, "s2");
}

TEST(HookEnvelope, WrongTypedMembersAreAbsentWithoutSpoilingTheLine) {
    auto event = parse(
        R"( {"recorded_at":"yesterday","raw":{"hook_event_name":"Stop","session_id":"s","cwd":5,
             "source":["compact"]},
             "claude_pid":"12","pid_chain":[1,"2"],"shell_tty":""} )");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->timestamp, parsedAt);
    EXPECT_EQ(event->cwd, std::nullopt);
    EXPECT_EQ(event->source, std::nullopt);
    EXPECT_EQ(event->claudePID, std::nullopt);
    EXPECT_EQ(event->pidChain, std::nullopt);
    EXPECT_EQ(event->shellTTY, std::string()) << "an empty tty is kept, not absent";

    auto empty = parse(R"({"raw":{"hook_event_name":"Stop","session_id":"s"},"pid_chain":[]})");
    ASSERT_TRUE(empty);
    ASSERT_TRUE(empty->pidChain);
    EXPECT_TRUE(empty->pidChain->empty());
}

TEST(HookEnvelope, PidsOutsideThirtyTwoBitsAreAbsent) {
    auto event = parse(R"({"raw":{"hook_event_name":"Stop","session_id":"s"},
                          "claude_pid":4294967296,"pid_chain":[3,-9999999999]})");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->claudePID, std::nullopt);
    EXPECT_EQ(event->pidChain, std::nullopt);
}

TEST(HookEnvelope, DuplicateKeysResolveLikeADocumentTheLastOneWins) {
    auto event = parse(R"({"raw":{"hook_event_name":"Stop","session_id":"a","session_id":"b",
                          "cwd":"/x","cwd":7,"message":{"nested":{"session_id":"no"}}},
                          "claude_pid":5,"claude_pid":6.5,"pid_chain":[9,{"a":1},3],"shell_tty":"/dev/pts/1"})");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->sessionId, "b");
    EXPECT_EQ(event->cwd, std::nullopt);
    EXPECT_EQ(event->message, std::nullopt);
    EXPECT_EQ(event->claudePID, std::nullopt);
    EXPECT_EQ(event->pidChain, std::nullopt) << "an object inside the chain spoils it";

    EXPECT_FALSE(
        parse(R"({"raw":{"hook_event_name":"Stop","session_id":"a"},"raw":"later text"})"));
    auto chain = parse(
        R"({"pid_chain":"x","raw":{"hook_event_name":"Stop","session_id":"a"},"pid_chain":[4,[5]],"pid_chain":[7,8]})");
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->pidChain, (std::vector<std::int32_t>{7, 8}));
    EXPECT_FALSE(parse(R"({"raw":{"hook_event_name":"Stop","session_id":"a"}} trailing)"));
}

} // namespace
} // namespace quillo
