// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ProcessTreeResolver.h"
#include "ChildProcess.h"
#include "DiagnosticLogger.h"
#include "FakeProc.h"
#include "TempDir.h"
#include "platform/ProcApplicationIdentifier.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace quillo {
namespace {

using test::FakeProc;
using test::TempHome;
using Chain = std::vector<std::int32_t>;

// A desktop in /proc: GNOME Terminal (300) > bash (301) > claude (302), and a
// tmux server (400) > pane shell (401) > claude (402), with nothing above them
// but systemd.
class ResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.add({.pid = 1, .ppid = 0, .comm = "systemd"});
        fake.add({.pid = 2, .ppid = 1, .comm = "systemd", .exe = "/usr/lib/systemd/systemd"});
        fake.add({.pid = 300,
                  .ppid = 2,
                  .comm = "gnome-terminal-",
                  .exe = "/usr/libexec/gnome-terminal-server"});
        fake.add({.pid = 301,
                  .ppid = 300,
                  .comm = "bash",
                  .ttyNr = FakeProc::ptsDevice(4),
                  .exe = "/usr/bin/bash"});
        fake.add({.pid = 302,
                  .ppid = 301,
                  .comm = "claude",
                  .ttyNr = FakeProc::ptsDevice(4),
                  .exe = "/opt/claude/2.1.300"});
        fake.add({.pid = 400, .ppid = 1, .comm = "tmux: server", .exe = "/usr/bin/tmux"});
        fake.add({.pid = 401, .ppid = 400, .comm = "zsh", .ttyNr = FakeProc::ptsDevice(9)});
        fake.add({.pid = 402, .ppid = 401, .comm = "claude", .ttyNr = FakeProc::ptsDevice(9)});
    }

    std::optional<TerminalLocation> resolve(std::optional<Chain> chain,
                                            std::optional<std::int32_t> start,
                                            std::optional<std::string> tty = std::nullopt) {
        return ProcessTreeResolver::resolve(chain, start, tty, false, {fake.proc(), apps}, trace);
    }

    std::vector<DiagnosticLogger::Entry> resolveEntries() {
        std::vector<DiagnosticLogger::Entry> found;
        for (auto& e : DiagnosticLogger::recentEntries()) {
            if (e.category == "resolve") {
                found.push_back(e);
            }
        }
        return found;
    }

    TempHome home; // the diagnostic log goes here
    FakeProc fake;
    ProcApplicationIdentifier apps{fake.proc()};
    std::ostringstream trace;
};

TEST_F(ResolverTest, TakesTheRecordersTerminalWithoutAskingAnyProcess) {
    auto location = resolve(Chain{302, 301, 300, 2}, 302, "/dev/pts/77");
    EXPECT_EQ(location, (TerminalLocation{TerminalKind::gnomeTerminal, 300, 301, "/dev/pts/77"}));
    EXPECT_TRUE(resolveEntries().empty());
    EXPECT_TRUE(trace.str().empty()) << "not verbose";
}

TEST_F(ResolverTest, WalksAfreshWhenTheChainIsMissingOrEmpty) {
    auto expected = TerminalLocation{TerminalKind::gnomeTerminal, 300, 301, "/dev/pts/4"};
    EXPECT_EQ(resolve(Chain{}, 302), expected);
    EXPECT_EQ(resolve(std::nullopt, 302, ""), expected)
        << "an empty recorder path counts as absent";
    EXPECT_EQ(resolve(std::nullopt, std::nullopt), std::nullopt);
}

TEST_F(ResolverTest, SurvivesAParenthesisInCommAndAMissingExe) {
    // A process whose comm holds ") S 1 (" between claude and its shell, and a
    // kitty whose exe link cannot be read (only comm names it).
    fake.add({.pid = 500, .ppid = 2, .comm = "kitty"});
    fake.add({.pid = 501, .ppid = 500, .comm = "fish", .ttyNr = FakeProc::ptsDevice(2)});
    fake.add({.pid = 502, .ppid = 501, .comm = "wrap) S 1 (x", .ttyNr = FakeProc::ptsDevice(2)});
    fake.add({.pid = 503, .ppid = 502, .comm = "claude", .ttyNr = FakeProc::ptsDevice(2)});
    EXPECT_EQ(resolve(std::nullopt, 503),
              (TerminalLocation{TerminalKind::kitty, 500, 501, "/dev/pts/2"}));
}

TEST_F(ResolverTest, InsideTmuxTheKindIsTmuxAndTheTerminalIsThePanes) {
    EXPECT_EQ(resolve(std::nullopt, 402),
              (TerminalLocation{TerminalKind::tmux, 400, 401, "/dev/pts/9"}));
}

TEST_F(ResolverTest, AChainWithoutTerminalGivesNothingAndLogsNothing) {
    fake.add({.pid = 600, .ppid = 2, .comm = "sshd", .exe = "/usr/sbin/sshd"});
    fake.add({.pid = 601, .ppid = 600, .comm = "bash", .ttyNr = FakeProc::ptsDevice(1)});
    fake.add({.pid = 602, .ppid = 601, .comm = "claude", .ttyNr = FakeProc::ptsDevice(1)});
    EXPECT_EQ(resolve(std::nullopt, 602), std::nullopt);
    EXPECT_EQ(resolve(Chain{4242, 4243}, std::nullopt), std::nullopt) << "processes long gone";
    EXPECT_TRUE(resolveEntries().empty());
}

TEST_F(ResolverTest, LogsWhichProcessOfTheChainGaveTheTerminal) {
    // Hooks run without a controlling terminal: claude has none, its shell has.
    fake.add({.pid = 303, .ppid = 301, .comm = "claude", .exe = "/opt/claude/2.1.300"});
    EXPECT_EQ(resolve(std::nullopt, 303),
              (TerminalLocation{TerminalKind::gnomeTerminal, 300, 301, "/dev/pts/4"}));
    auto entries = resolveEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].severity, DiagnosticLogger::Severity::info);
    EXPECT_EQ(entries[0].message, "tty fallback 命中");
    EXPECT_EQ(entries[0].context, (DiagnosticLogger::Context{
                                      {"envelopeTTY", "nil"},
                                      {"shellPID", "301"},
                                      {"hitPID", "301"},
                                      {"hitTTY", "/dev/pts/4"},
                                      {"chainAttempts", "pid=303 tty=nil | pid=301 tty=/dev/pts/4"},
                                  }));
}

TEST_F(ResolverTest, ATerminalFirstInTheChainIsBothAppAndShellAndFindsNoDevice) {
    auto location = resolve(Chain{300, 2}, std::nullopt);
    EXPECT_EQ(location, (TerminalLocation{TerminalKind::gnomeTerminal, 300, 300, std::nullopt}));
    auto entries = resolveEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].severity, DiagnosticLogger::Severity::warning);
    EXPECT_EQ(entries[0].message, "tty 解析失败: 整条 chain 都没拿到 tty");
    EXPECT_EQ(entries[0].context,
              (DiagnosticLogger::Context{
                  {"envelopeTTY", "nil"}, {"shellPID", "300"}, {"chainAttempts", ""}}));
}

// A private tmux server with one pane running `sh -c "sleep 300; true"`.
class TmuxServer {
public:
    TmuxServer() : socket_((dir_.path() / "tmux.sock").string()) {
        started_ =
            tmux({"new-session", "-d", "-s", "quillo", "sh -c 'sleep 300; true'"}).succeeded();
    }
    ~TmuxServer() { tmux({"kill-server"}); }
    bool started() const { return started_; }
    std::string display(const std::string& format) {
        auto result = tmux({"display-message", "-t", "quillo", "-p", format});
        auto text = result.standardOutput;
        while (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }

private:
    ChildProcess::Result tmux(std::vector<std::string> arguments) {
        std::vector<std::string> argv{"tmux", "-S", socket_, "-f", "/dev/null"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return ChildProcess::run(argv, {.timeLimit = std::chrono::seconds(10),
                                        .extraEnvironment = {"TERM=xterm-256color"}});
    }
    test::TempDir dir_;
    std::string socket_;
    bool started_ = false;
};

std::optional<std::int32_t> childOf(std::int32_t parent) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::int32_t pid = std::atoi(entry.path().filename().c_str());
        if (pid > 0) {
            if (auto stat = ProcFs::system().stat(pid); stat && stat->ppid == parent) {
                return pid;
            }
        }
    }
    return std::nullopt;
}

TEST(ResolverTmux, FindsTheRealServerAndThePanesTerminal) {
    TempHome home;
    TmuxServer server;
    ASSERT_TRUE(server.started()) << "tmux must be installed";
    auto serverPID = std::stoi(server.display("#{pid}"));
    auto panePID = std::stoi(server.display("#{pane_pid}"));
    auto paneTTY = server.display("#{pane_tty}");
    std::optional<std::int32_t> sleeper;
    for (int i = 0; i < 500 && !sleeper; ++i) {
        sleeper = childOf(panePID);
        if (!sleeper) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_TRUE(sleeper) << "the pane's command did not start";

    ProcApplicationIdentifier apps;
    std::ostringstream trace;
    auto location = ProcessTreeResolver::resolve(std::nullopt, *sleeper, std::nullopt, false,
                                                 {ProcFs::system(), apps}, trace);
    EXPECT_EQ(location, (TerminalLocation{TerminalKind::tmux, serverPID, panePID, paneTTY}));
}

} // namespace
} // namespace quillo
