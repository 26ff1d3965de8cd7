// SPDX-License-Identifier: GPL-3.0-or-later
// When a question stops being open, and what its recorder hears then.
#include "questions/OpenQuestions.h"
#include "DiagnosticLogger.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace PermissionQuestion;

Question bash(const std::string& session, const std::string& command) {
    Question question;
    question.sessionId = session;
    question.claudePID = 4242;
    question.toolName = "Bash";
    question.toolInput = {{"command", command}, {"description", "d"}};
    return question;
}

ParsedHookEvent event(const std::string& name, const std::string& session, double at) {
    ParsedHookEvent e;
    e.eventName = name;
    e.sessionId = session;
    e.timestamp = timestampFromSeconds(at);
    return e;
}

struct Recorded {
    std::vector<std::optional<Answer>> replies;
    std::vector<std::pair<std::uint64_t, QuestionOutcome>> closed;
};

class OpenQuestionsTest : public ::testing::Test {
protected:
    OpenQuestionsTest() {
        QObject::connect(&questions_, &OpenQuestions::closed,
                         [this](const OpenQuestion& q, QuestionOutcome outcome) {
                             recorded_.closed.emplace_back(q.id, outcome);
                         });
    }
    std::uint64_t ask(const std::string& session, double at = 100) {
        return *questions_.open(
            bash(session, "make"),
            [this](const std::optional<Answer>& a) { recorded_.replies.push_back(a); },
            timestampFromSeconds(at));
    }

    test::TempHome home_; // the diagnostic log
    OpenQuestions questions_;
    Recorded recorded_;
};

TEST_F(OpenQuestionsTest, TheSessionMovingOnClosesItsQuestionsButNotEarlierOrOtherEvents) {
    for (const char* name : {"PostToolUse", "PostToolUseFailure", "PreToolUse", "Stop",
                             "StopFailure", "UserPromptSubmit", "SessionEnd"}) {
        recorded_ = {};
        auto first = ask("s");
        auto second = ask("s"); // a second question of the same session is its own
        auto other = ask("t");
        EXPECT_NE(first, second);
        // The tool's own PreToolUse came just before the question; a notice
        // changes nothing; another session's events are its own.
        questions_.ingest({event("PreToolUse", "s", 99.9), event("Notification", "s", 101),
                           event(name, "t", 99)});
        EXPECT_EQ(questions_.questions().size(), 3u) << name;
        questions_.ingest({event(name, "s", 100.5)});
        EXPECT_EQ(questions_.questions().size(), 1u) << name;
        EXPECT_EQ(recorded_.replies,
                  (std::vector<std::optional<Answer>>{std::nullopt, std::nullopt}));
        EXPECT_EQ(recorded_.closed.size(), 2u);
        for (const auto& [id, outcome] : recorded_.closed) {
            EXPECT_EQ(outcome, QuestionOutcome::answeredElsewhere) << name;
        }
        ClaudeProcess stays;
        stays.id = "s";
        questions_.keepSessions({stays}); // t is gone from the table
        EXPECT_TRUE(questions_.questions().empty());
        EXPECT_EQ(recorded_.closed.back(), std::make_pair(other, QuestionOutcome::withdrawn));
    }
}

TEST_F(OpenQuestionsTest, AnAnswerReachesItsRecorderOnceAndAWithdrawnOneNone) {
    auto id = ask("s");
    EXPECT_TRUE(questions_.answer(id, {Behavior::deny, "Denied from Quillo"}, "dashboard"));
    EXPECT_FALSE(questions_.answer(id, {Behavior::allow, {}}, "dashboard")); // closed meanwhile
    ASSERT_EQ(recorded_.replies.size(), 1u);
    EXPECT_EQ(recorded_.replies[0], (Answer{Behavior::deny, "Denied from Quillo"}));
    EXPECT_EQ(recorded_.closed.back(), std::make_pair(id, QuestionOutcome::denied));
    auto log = DiagnosticLogger::recentEntries();
    ASSERT_EQ(log.size(), 1u); // the answer that came too late is not logged
    EXPECT_EQ(log[0].message, "permission denied");
    EXPECT_EQ(log[0].context["by"], "dashboard");
    EXPECT_EQ(log[0].context["summary"], "Bash: make");

    auto gone = ask("s");
    questions_.withdraw(gone);
    EXPECT_EQ(recorded_.replies.size(), 1u); // nobody left to tell
    EXPECT_EQ(recorded_.closed.back(), std::make_pair(gone, QuestionOutcome::withdrawn));
    EXPECT_FALSE(questions_.answer(gone, {Behavior::allow, {}}, "dashboard"));
}

TEST_F(OpenQuestionsTest, PastTheLimitAQuestionIsRefusedWithNoAnswer) {
    for (std::size_t i = 0; i < OpenQuestions::maxOpen; ++i) {
        ask("s" + std::to_string(i));
    }
    recorded_ = {};
    EXPECT_FALSE(questions_.open(
        bash("late", "x"),
        [this](const std::optional<Answer>& a) { recorded_.replies.push_back(a); },
        timestampFromSeconds(1)));
    EXPECT_EQ(recorded_.replies, (std::vector<std::optional<Answer>>{std::nullopt}));
}

TEST(OpenQuestionsSummary, OneShortLineNamingTheToolAndWhatItTouches) {
    EXPECT_EQ(OpenQuestions::summaryOf(bash("s", "rm -rf build\nls")), "Bash: rm -rf build ls");
    Question write;
    write.toolName = "Write";
    write.toolInput = {{"content", "x"}, {"file_path", "/home/dana/a.txt"}};
    EXPECT_EQ(OpenQuestions::summaryOf(write), "Write: /home/dana/a.txt");
    Question other;
    other.toolName = "mcp__db__query";
    other.toolInput = {{"sql", "select 1"}};
    EXPECT_EQ(OpenQuestions::summaryOf(other), R"(mcp__db__query: {"sql":"select 1"})");
    std::string summary = OpenQuestions::summaryOf(bash("s", std::string(100, 'a') + "权限"));
    EXPECT_EQ(summary, "Bash: " + std::string(74, 'a') + "…");
    EXPECT_EQ(OpenQuestions::summaryOf(bash("s", std::string(72, 'a') + "权限测试")),
              "Bash: " + std::string(72, 'a') + "权限…"); // cut between characters
    EXPECT_EQ(OpenQuestions::summaryOf(bash("s", "a\tb\x01")), "Bash: a\\tb\\u0001");
}

} // namespace
} // namespace quillo
