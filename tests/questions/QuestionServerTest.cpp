// SPDX-License-Identifier: GPL-3.0-or-later
// The real recorder asking the monitor's questions socket, as Claude Code
// starts it for a permission question.
#include "questions/QuestionServer.h"
#include "ChildProcess.h"
#include "PermissionQuestion.h"
#include "QtTestApp.h"
#include "TempDir.h"
#include "questions/OpenQuestions.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <future>
#include <sys/socket.h>

namespace quillo {
namespace {

using namespace test;
using namespace std::chrono_literals;
using nlohmann::json;

std::string permissionRequest(const std::string& session) {
    return json{{"session_id", session},
                {"cwd", "/home/dana/src/atlas"},
                {"hook_event_name", "PermissionRequest"},
                {"tool_name", "Bash"},
                {"tool_input", {{"command", "make deploy"}}}}
        .dump();
}

// The recorder this process started (its only QuilloHook child).
std::optional<pid_t> recorderOfThisTest() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, parent;
        if (stat >> pid >> name >> state >> parent && name == "(QuilloHook)" &&
            parent == std::to_string(::getpid())) {
            return std::stoi(pid);
        }
    }
    return std::nullopt;
}

class QuestionServerTest : public ::testing::Test {
protected:
    QuestionServerTest() {
        qtApp();
        QObject::connect(
            &questions_, &OpenQuestions::closed,
            [this](const OpenQuestion&, QuestionOutcome outcome) { outcomes_.push_back(outcome); });
    }
    ~QuestionServerTest() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    std::filesystem::path runtime() const { return home_.path() / "run"; }

    std::future<ChildProcess::Result> startRecorder(const std::string& session) {
        auto env = home_.environment();
        env.push_back("XDG_RUNTIME_DIR=" + runtime().string());
        return std::async(std::launch::async, [env, input = permissionRequest(session)] {
            return ChildProcess::run({QUILLO_HOOK_BINARY}, {.timeLimit = 60s,
                                                            .standardInput = input,
                                                            .captureStandardError = true,
                                                            .extraEnvironment = env});
        });
    }

    // Keeps the event loop turning until the recorder has finished.
    ChildProcess::Result finish(std::future<ChildProcess::Result>& recorder) {
        EXPECT_TRUE(
            waitUntil([&] { return recorder.wait_for(0s) == std::future_status::ready; }, 60s));
        return recorder.get();
    }

    TempHome home_;
    // The socket's path depends on the runtime directory: set before the server.
    struct RuntimeDirectory {
        explicit RuntimeDirectory(const std::filesystem::path& path) {
            std::filesystem::create_directories(path);
            ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
        }
    } runtimeDirectory_{home_.path() / "run"};
    OpenQuestions questions_;
    std::vector<QuestionOutcome> outcomes_;
    bool answering_ = true;
    QuestionServer server_{questions_, PermissionQuestion::socketPath(home_.appSupport()),
                           [this] { return answering_; }};
};

TEST_F(QuestionServerTest, AnAnswerGivenInQuilloIsWhatClaudeCodeReads) {
    ASSERT_EQ(server_.listen(), std::nullopt);
    for (auto behavior :
         {PermissionQuestion::Behavior::allow, PermissionQuestion::Behavior::deny}) {
        auto recorder = startRecorder("s-1");
        ASSERT_TRUE(waitUntil([&] { return !questions_.questions().empty(); }, 60s));
        const auto asked = questions_.questions().front();
        EXPECT_EQ(asked.question.sessionId, "s-1");
        EXPECT_EQ(asked.summary, "Bash: make deploy");
        ASSERT_TRUE(questions_.answer(asked.id, {behavior, "Denied from Quillo"}, "notice"));
        auto result = finish(recorder);
        EXPECT_EQ(result.exitCode, 0);
        ASSERT_FALSE(result.standardOutput.empty());
        EXPECT_EQ(json::parse(result.standardOutput)["hookSpecificOutput"]["decision"]["behavior"],
                  behavior == PermissionQuestion::Behavior::allow ? "allow" : "deny");
    }
}

TEST_F(QuestionServerTest, TheTerminalsAnswerOrTheRecordersEndClosesTheQuestion) {
    ASSERT_EQ(server_.listen(), std::nullopt);
    // Answered in the terminal: the session moves on, the recorder is told.
    auto recorder = startRecorder("s-1");
    ASSERT_TRUE(waitUntil([&] { return !questions_.questions().empty(); }, 60s));
    ParsedHookEvent ran;
    ran.eventName = "PostToolUse";
    ran.sessionId = "s-1";
    ran.timestamp = now();
    questions_.ingest({ran});
    auto result = finish(recorder);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(outcomes_.back(), QuestionOutcome::answeredElsewhere);

    // Answered No in the terminal: Claude Code ends the recorder.
    recorder = startRecorder("s-2");
    ASSERT_TRUE(waitUntil([&] { return !questions_.questions().empty(); }, 60s));
    auto waiting = recorderOfThisTest();
    ASSERT_TRUE(waiting);
    ASSERT_EQ(::kill(*waiting, SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return questions_.questions().empty(); }, 60s));
    EXPECT_EQ(outcomes_.back(), QuestionOutcome::withdrawn);
    EXPECT_EQ(finish(recorder).standardOutput, "");

    // Killed outright (Claude Code's SIGKILL after its grace time): the
    // closed connection withdraws the question.
    outcomes_.clear();
    recorder = startRecorder("s-3");
    ASSERT_TRUE(waitUntil([&] { return !questions_.questions().empty(); }, 60s));
    waiting = recorderOfThisTest();
    ASSERT_TRUE(waiting);
    ASSERT_EQ(::kill(*waiting, SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return questions_.questions().empty(); }, 60s));
    EXPECT_EQ(outcomes_, std::vector<QuestionOutcome>{QuestionOutcome::withdrawn});
    finish(recorder);
}

TEST_F(QuestionServerTest, WithAnsweringOffTheRecorderLeavesAtOnce) {
    answering_ = false;
    ASSERT_EQ(server_.listen(), std::nullopt);
    auto recorder = startRecorder("s-1");
    auto result = finish(recorder);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_TRUE(outcomes_.empty());
}

} // namespace
} // namespace quillo
