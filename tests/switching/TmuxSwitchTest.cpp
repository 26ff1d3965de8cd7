#include "ChildProcess.h"
#include "SwitchFixture.h"

#include <gmock/gmock.h>

namespace quillo::test {
namespace {

// A private tmux server on a socket of its own, killed at scope end.
class TmuxServer {
public:
    TmuxServer() : socket_((dir_.path() / "tmux.sock").string()) {}
    ~TmuxServer() { run({"kill-server"}); }
    TmuxServer(const TmuxServer&) = delete;
    TmuxServer& operator=(const TmuxServer&) = delete;

    ChildProcess::Result run(std::vector<std::string> arguments) const {
        std::vector<std::string> argv{"tmux", "-S", socket_, "-f", "/dev/null"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ChildProcess::Options options;
        options.timeLimit = std::chrono::seconds(10);
        options.captureStandardError = true;
        return ChildProcess::run(argv, options);
    }

    std::string output(std::vector<std::string> arguments) const {
        auto result = run(std::move(arguments));
        EXPECT_TRUE(result.succeeded()) << result.standardError;
        return result.standardOutput;
    }

private:
    TempDir dir_;
    std::string socket_;
};

class TmuxSwitchTest : public SwitchFixture {};

TEST_F(TmuxSwitchTest, SwitchingToTheProcessInTheSecondWindowMakesThatWindowActive) {
    TmuxServer tmux;
    auto started = tmux.run({"new-session", "-d", "-s", "work", "-x", "80", "-y", "24", "sleep 600"});
    if (!started.started) {
        GTEST_SKIP() << "tmux is not installed";
    }
    ASSERT_TRUE(started.succeeded()) << started.standardError;
    // -d: the new window does not become the current one.
    ASSERT_TRUE(tmux.run({"new-window", "-d", "-t", "work:", "sleep 600"}).succeeded());
    ASSERT_EQ(tmux.output({"list-windows", "-t", "work", "-F", "#{window_index}=#{window_active}"}),
              "0=1\n1=0\n");

    auto panes = splitLines(
        tmux.output({"list-panes", "-t", "work:1", "-F", "#{pane_pid} #{pane_tty}"}));
    ASSERT_EQ(panes.size(), 1u);
    auto space = panes[0].find(' ');
    std::int32_t panePid = std::stoi(panes[0].substr(0, space));
    std::string paneTty = panes[0].substr(space + 1);
    std::int32_t serverPid = std::stoi(tmux.output({"display-message", "-p", "#{pid}"}));

    // The pane's process stands for Claude Code: tmux gave it TMUX and TMUX_PANE.
    ChildProcessCommandRunner commands;
    ClaudeProcess process;
    process.id = "in-tmux";
    process.claudePID = panePid;
    process.terminal = TerminalLocation{TerminalKind::tmux, serverPid, panePid, paneTty};
    SwitchResult result =
        TerminalSwitcher({scripts, windows, commands, dbus, ProcFs::system()}).switchTo(process);

    EXPECT_EQ(result, SwitchResult::switched());
    EXPECT_EQ(tmux.output({"list-windows", "-t", "work", "-F", "#{window_index}=#{window_active}"}),
              "0=0\n1=1\n");
    // No client is attached: there is no terminal to raise, and the server has
    // no window of its own to be asked for.
    EXPECT_TRUE(windows.requests.empty());
    EXPECT_THAT(logMessages(), ::testing::Contains("tmux tab 切换成功"));
}

} // namespace
} // namespace quillo::test
