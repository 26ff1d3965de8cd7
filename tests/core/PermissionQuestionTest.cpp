// SPDX-License-Identifier: GPL-3.0-or-later
// The lines between the recorder and the monitor: what one end writes, the
// other reads back; anything else reads as nothing.
#include "PermissionQuestion.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using nlohmann::json;
using namespace PermissionQuestion;

std::string withoutLineFeed(std::string line) {
    EXPECT_EQ(line.back(), '\n');
    line.pop_back();
    EXPECT_EQ(line.find('\n'), std::string::npos);
    return line;
}

TEST(PermissionQuestion, EachLineReadsBackAsWritten) {
    json payload = {{"hook_event_name", "PermissionRequest"},
                    {"session_id", "s-1"},
                    {"cwd", "/home/dana/src/atlas"},
                    {"tool_name", "Write"},
                    {"tool_input", {{"file_path", "/tmp/a\nb"}, {"content", "权限 \u2028 /"}}},
                    {"permission_suggestions", json::array({{{"type", "addRules"}}})}};
    auto question = fromPayload(payload, 77);
    ASSERT_TRUE(question);
    EXPECT_EQ(decodeQuestion(withoutLineFeed(encodeQuestion(*question))), question);

    for (const auto& answer :
         {std::optional<Answer>(), std::optional<Answer>(Answer{Behavior::allow, {}}),
          std::optional<Answer>(Answer{Behavior::deny, "Denied \"here\"\n"})}) {
        EXPECT_EQ(decodeAnswer(withoutLineFeed(encodeAnswer(answer))),
                  std::optional<std::optional<Answer>>(answer));
    }
    EXPECT_TRUE(isWithdrawn(withoutLineFeed(encodeWithdrawn())));
    EXPECT_EQ(json::parse(decisionOutput(Answer{Behavior::deny, "no"})),
              json::parse(R"({"hookSpecificOutput":{"hookEventName":"PermissionRequest",
                              "decision":{"behavior":"deny","message":"no"}}})"));
}

TEST(PermissionQuestion, OnlyAPermissionRequestWithASessionAsks) {
    json payload = {{"hook_event_name", "PreToolUse"}, {"session_id", "s"}};
    EXPECT_FALSE(fromPayload(payload, 1));
    payload["hook_event_name"] = "PermissionRequest";
    EXPECT_TRUE(fromPayload(payload, 1));
    payload["session_id"] = "";
    EXPECT_FALSE(fromPayload(payload, 1));
    EXPECT_FALSE(fromPayload(json("PermissionRequest"), 1));
}

TEST(PermissionQuestion, ForeignOrOversizedLinesReadAsNothing) {
    for (std::string_view line :
         {"", "{}", "[]", R"({"type":"answer"})", R"({"type":"answer","behavior":"ALLOW"})",
          R"({"type":"question","session_id":"s"})",
          R"({"type":"question","session_id":"s","claude_pid":-4})",
          R"({"type":"question","session_id":"s","claude_pid":4294967297})",
          R"({"type":"question","session_id":"s","claude_pid":1.5})", "{\"type\":\"answer\"",
          R"({"type":["answer"],"behavior":"allow"})"}) {
        EXPECT_FALSE(decodeQuestion(line)) << line;
        EXPECT_FALSE(decodeAnswer(line)) << line;
        EXPECT_FALSE(isWithdrawn(line)) << line;
    }
    std::string huge = R"({"type":"question","session_id":"s","claude_pid":1,"tool_input":")" +
                       std::string(maxLineBytes, 'x') + "\"}";
    EXPECT_FALSE(decodeQuestion(huge));
}

TEST(PermissionQuestion, EachDataDirectoryHasItsOwnSocket) {
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    auto first = socketPath("/home/dana/.local/share/quillo");
    EXPECT_EQ(first.parent_path(), "/run/user/1000");
    EXPECT_EQ(first, socketPath("/home/dana/.local/share/./quillo"));
    EXPECT_NE(first, socketPath("/tmp/test-home/.local/share/quillo"));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(socketPath("/tmp/h/quillo").parent_path(), "/tmp/h/quillo");
}

} // namespace
} // namespace quillo
