// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder's permission question against a stand-in monitor socket: the
// real binary for what Claude Code sees, the asking step itself for its limit.
#include "PermissionAsker.h"
#include "FileDescriptor.h"
#include "PermissionQuestion.h"
#include "RunRecorder.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
using nlohmann::json;
using namespace std::chrono_literals;

// A monitor's end of the questions socket, listening at `path`.
class StandInMonitor {
public:
    explicit StandInMonitor(const std::filesystem::path& path) {
        std::filesystem::create_directories(path.parent_path());
        listener_ = FileDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address),
                  0);
        EXPECT_EQ(::listen(listener_.get(), 4), 0);
    }

    // The next connection, or an invalid descriptor after `wait`.
    FileDescriptor accept(std::chrono::milliseconds wait = 60s) {
        pollfd ready{listener_.get(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(wait.count())) != 1) {
            return FileDescriptor();
        }
        return FileDescriptor(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

    // The next line from `fd` (without its line feed); empty at end of stream.
    static std::string readLine(int fd) {
        std::string line;
        char c;
        while (::recv(fd, &c, 1, 0) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    static pid_t peerPid(int fd) {
        ucred peer{};
        socklen_t length = sizeof peer;
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length);
        return peer.pid;
    }

private:
    FileDescriptor listener_;
};

json permissionRequest() {
    return {{"session_id", "5d41a8b7-0c2d"},
            {"transcript_path", "/home/dana/.claude/projects/x.jsonl"},
            {"cwd", "/home/dana/src/atlas"},
            {"permission_mode", "default"},
            {"hook_event_name", "PermissionRequest"},
            {"tool_name", "Bash"},
            {"tool_input", {{"command", "rm -rf build"}, {"description", "Clean the build"}}},
            {"permission_suggestions",
             json::array({{{"type", "addRules"}, {"destination", "localSettings"}}})}};
}

class PermissionAskerTest : public ::testing::Test {
protected:
    std::filesystem::path runtime() const { return home_.path() / "run"; }
    std::filesystem::path socket() const {
        return PermissionQuestion::socketPath(home_.appSupport());
    }
    // The real recorder with `payload`, in the background.
    std::future<ChildProcess::Result> startRecorder(const json& payload) {
        return std::async(std::launch::async, [this, input = payload.dump()] {
            return runRecorder(home_, input, {"XDG_RUNTIME_DIR=" + runtime().string()});
        });
    }

    TempHome home_;
    // socketPath reads the runtime directory from this process's environment.
    struct RuntimeVariable {
        explicit RuntimeVariable(const std::filesystem::path& path) {
            ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
        }
        ~RuntimeVariable() { ::unsetenv("XDG_RUNTIME_DIR"); }
    } runtimeVariable_{home_.path() / "run"};
};

TEST_F(PermissionAskerTest, TheMonitorsAnswerBecomesClaudeCodesDecisionAndNoAnswerPrintsNothing) {
    StandInMonitor monitor(socket());
    struct Case {
        std::optional<PermissionQuestion::Answer> answer;
        std::string expectedOutput;
    } cases[] = {
        {PermissionQuestion::Answer{PermissionQuestion::Behavior::allow, {}},
         R"({"hookSpecificOutput":{"hookEventName":"PermissionRequest","decision":{"behavior":"allow"}}})"},
        {PermissionQuestion::Answer{PermissionQuestion::Behavior::deny, "Denied from Quillo"},
         R"({"hookSpecificOutput":{"hookEventName":"PermissionRequest","decision":{"behavior":"deny","message":"Denied from Quillo"}}})"},
        {std::nullopt, ""},
    };
    for (const auto& c : cases) {
        auto recorder = startRecorder(permissionRequest());
        FileDescriptor connection = monitor.accept();
        ASSERT_TRUE(connection.valid());
        auto question =
            PermissionQuestion::decodeQuestion(StandInMonitor::readLine(connection.get()));
        ASSERT_TRUE(question);
        EXPECT_EQ(question->sessionId, "5d41a8b7-0c2d");
        EXPECT_EQ(question->toolName, "Bash");
        EXPECT_EQ(question->toolInput["command"], "rm -rf build");
        EXPECT_EQ(question->cwd, "/home/dana/src/atlas");
        EXPECT_EQ(question->permissionSuggestions.size(), 1u);
        EXPECT_GT(question->claudePID, 0);
        ASSERT_TRUE(writeAll(connection.get(), PermissionQuestion::encodeAnswer(c.answer)));
        auto result = recorder.get();
        EXPECT_EQ(result.exitCode, 0);
        if (c.expectedOutput.empty()) {
            EXPECT_EQ(result.standardOutput, "");
        } else {
            EXPECT_EQ(result.standardOutput.back(), '\n');
            EXPECT_EQ(json::parse(result.standardOutput), json::parse(c.expectedOutput));
        }
        EXPECT_EQ(result.standardError, "");
    }
    // The event was recorded each time before the question was asked.
    EXPECT_EQ(splitLines(readFile(home_.eventsFile())).size(), 3u);
}

TEST_F(PermissionAskerTest, WithoutAMonitorOrWithANonsenseAnswerTheRecorderIsSilent) {
    // No socket at all.
    auto alone = startRecorder(permissionRequest()).get();
    EXPECT_EQ(alone.exitCode, 0);
    EXPECT_EQ(alone.standardOutput, "");

    StandInMonitor monitor(socket());
    // Other events never ask.
    json stop = permissionRequest();
    stop["hook_event_name"] = "Stop";
    EXPECT_EQ(startRecorder(stop).get().standardOutput, "");
    EXPECT_FALSE(monitor.accept(0ms).valid());

    for (std::string reply : {std::string(R"({"type":"answer","behavior":"maybe"})"
                                          "\n"),
                              std::string("not json\n"), std::string()}) {
        auto recorder = startRecorder(permissionRequest());
        FileDescriptor connection = monitor.accept();
        ASSERT_TRUE(connection.valid());
        StandInMonitor::readLine(connection.get());
        if (reply.empty()) {
            connection = FileDescriptor(); // the monitor goes away
        } else {
            ASSERT_TRUE(writeAll(connection.get(), reply));
        }
        auto result = recorder.get();
        EXPECT_EQ(result.exitCode, 0) << reply;
        EXPECT_EQ(result.standardOutput, "") << reply;
    }
}

TEST_F(PermissionAskerTest, SigtermWhileWaitingWithdrawsTheQuestionAndEnds) {
    StandInMonitor monitor(socket());
    auto recorder = startRecorder(permissionRequest());
    FileDescriptor connection = monitor.accept();
    ASSERT_TRUE(connection.valid());
    ASSERT_TRUE(PermissionQuestion::decodeQuestion(StandInMonitor::readLine(connection.get())));
    // As Claude Code does when the person answers No in the terminal.
    ASSERT_EQ(::kill(StandInMonitor::peerPid(connection.get()), SIGTERM), 0);
    EXPECT_TRUE(PermissionQuestion::isWithdrawn(StandInMonitor::readLine(connection.get())));
    auto result = recorder.get();
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.standardOutput, "");
}

TEST_F(PermissionAskerTest, GivesUpAtItsLimitAndSaysSo) {
    StandInMonitor monitor(socket());
    auto question = PermissionQuestion::fromPayload(permissionRequest(), 4242);
    ASSERT_TRUE(question);
    std::promise<std::string> lastLine;
    std::thread silentMonitor([&] {
        FileDescriptor connection = monitor.accept();
        StandInMonitor::readLine(connection.get()); // the question, never answered
        lastLine.set_value(StandInMonitor::readLine(connection.get()));
    });
    EXPECT_EQ(PermissionAsker::ask(*question, socket(), 200ms, -1), std::nullopt);
    EXPECT_TRUE(PermissionQuestion::isWithdrawn(lastLine.get_future().get()));
    silentMonitor.join();
}

} // namespace
} // namespace quillo
