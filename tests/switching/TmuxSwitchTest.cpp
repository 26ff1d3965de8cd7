// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"
#include "SwitchFixture.h"
#include "TmuxServer.h"

#include <gmock/gmock.h>

#include <csignal>
#include <pty.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillo::test {
namespace {

class TmuxSwitchTest : public SwitchFixture {};

TEST_F(TmuxSwitchTest, SwitchingToTheProcessInTheSecondWindowMakesThatWindowActive) {
    TmuxServer tmux;
    auto started =
        tmux.run({"new-session", "-d", "-s", "work", "-x", "80", "-y", "24", "sleep 600"});
    if (!started.started) {
        GTEST_SKIP() << "tmux is not installed";
    }
    ASSERT_TRUE(started.succeeded()) << started.standardError;
    // -d: the new window does not become the current one.
    ASSERT_TRUE(tmux.run({"new-window", "-d", "-t", "work:", "sleep 600"}).succeeded());
    ASSERT_EQ(tmux.output({"list-windows", "-t", "work", "-F", "#{window_index}=#{window_active}"}),
              "0=1\n1=0\n");

    auto panes =
        splitLines(tmux.output({"list-panes", "-t", "work:1", "-F", "#{pane_pid} #{pane_tty}"}));
    ASSERT_EQ(panes.size(), 1u);
    auto space = panes[0].find(' ');
    std::int32_t panePid = std::stoi(panes[0].substr(0, space));
    std::string paneTty = panes[0].substr(space + 1);
    std::int32_t serverPid = std::stoi(tmux.output({"display-message", "-p", "#{pid}"}));

    // The pane's process stands for Claude Code: tmux gave it TMUX and TMUX_PANE.
    // The one-second limit of a real switch is for a user waiting; a busy test
    // machine gets longer, so that only a wrong answer fails the test.
    ChildProcessCommandRunner commands(std::chrono::seconds(20));
    ClaudeProcess process;
    process.id = "in-tmux";
    process.claudePID = panePid;
    process.terminal = TerminalLocation{TerminalKind::tmux, serverPid, panePid, paneTty};
    SwitchResult result =
        TerminalSwitcher({scripts, windows, commands, dbus, ProcFs::system()}).switchTo(process);

    // The window is selected for whoever attaches next, but no client is
    // attached: nobody sees the pane, and the server has no window of its own
    // to be asked for.
    EXPECT_EQ(result, SwitchResult::failed("tmux 会话没有连接的终端"));
    EXPECT_EQ(tmux.output({"list-windows", "-t", "work", "-F", "#{window_index}=#{window_active}"}),
              "0=0\n1=1\n");
    EXPECT_TRUE(windows.requests.empty());
}

// A tmux client in a terminal of its own: a pseudo-terminal this test holds the
// other end of, and reads so that the client never blocks on its output.
class AttachedClient {
public:
    AttachedClient(const std::string& socket, const std::string& session) {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 80;
        pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            ::setenv("TERM", "xterm-256color", 1);
            ::unsetenv("TMUX");
            ::execlp("tmux", "tmux", "-S", socket.c_str(), "attach-session", "-t", session.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid_ > 0) {
            reader_ = std::thread([fd = master_] {
                char buffer[4096];
                while (::read(fd, buffer, sizeof buffer) > 0) {
                }
            });
        }
    }
    ~AttachedClient() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) {
            ::close(master_); // ends the reader with an error
        }
        if (reader_.joinable()) {
            reader_.join();
        }
    }
    AttachedClient(const AttachedClient&) = delete;
    AttachedClient& operator=(const AttachedClient&) = delete;

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int master_ = -1;
    std::thread reader_;
};

TEST_F(TmuxSwitchTest, TheAttachedClientIsSwitchedToThePanesSession) {
    TmuxServer tmux;
    auto started =
        tmux.run({"new-session", "-d", "-s", "work", "-x", "80", "-y", "24", "sleep 600"});
    if (!started.started) {
        GTEST_SKIP() << "tmux is not installed";
    }
    ASSERT_TRUE(started.succeeded()) << started.standardError;
    ASSERT_TRUE(tmux.run({"new-window", "-d", "-t", "work:", "sleep 600"}).succeeded());
    ASSERT_TRUE(tmux.run({"new-session", "-d", "-s", "other", "sleep 600"}).succeeded());

    // The user looks at the other session.
    AttachedClient client(tmux.socket(), "other");
    ASSERT_GT(client.pid(), 0);
    std::string clients;
    for (int i = 0; i < 1000 && clients.empty(); ++i) {
        clients = tmux.output({"list-clients", "-F", "#{client_pid}"});
        if (clients.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ASSERT_EQ(clients, std::to_string(client.pid()) + "\n") << "the client never attached";

    auto pane = splitLines(
        tmux.output({"list-panes", "-t", "work:1", "-F", "#{pane_pid} #{pane_tty} #{pane_id}"}));
    ASSERT_EQ(pane.size(), 1u);
    std::istringstream fields(pane[0]);
    std::int32_t panePid = 0;
    std::string paneTty, paneId;
    fields >> panePid >> paneTty >> paneId;
    std::int32_t serverPid = std::stoi(tmux.output({"display-message", "-p", "#{pid}"}));

    ChildProcessCommandRunner commands(std::chrono::seconds(20));
    ClaudeProcess process;
    process.id = "in-tmux";
    process.claudePID = panePid;
    process.terminal = TerminalLocation{TerminalKind::tmux, serverPid, panePid, paneTty};
    SwitchResult result =
        TerminalSwitcher({scripts, windows, commands, dbus, ProcFs::system()}).switchTo(process);

    EXPECT_EQ(result, SwitchResult::switched());
    // The client now shows the pane: its session, window and pane.
    EXPECT_EQ(tmux.output({"list-clients", "-F", "#{session_name} #{window_index} #{pane_id}"}),
              "work 1 " + paneId + "\n");
    EXPECT_THAT(logMessages(), ::testing::Contains("tmux tab 切换成功"));
}

} // namespace
} // namespace quillo::test
