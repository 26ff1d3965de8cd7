// SPDX-License-Identifier: GPL-3.0-or-later
#include "SwitchFixture.h"

#include <gmock/gmock.h>

namespace quillo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using Severity = DiagnosticLogger::Severity;

class TerminalSwitcherTest : public SwitchFixture {};

TEST_F(TerminalSwitcherTest, SessionWithoutTerminalIsUnrecognisedAndTouchesNothing) {
    ClaudeProcess process;
    process.id = "s-9";
    SwitchResult result = switchTo(process);
    EXPECT_EQ(result, SwitchResult::unrecognizedTerminal("未识别终端 app"));
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(windows.requests.empty());
    auto lines = log();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, "切换尝试");
    EXPECT_EQ(lines[0].category, "switch");
    EXPECT_EQ(lines[0].context,
              (DiagnosticLogger::Context{
                  {"processId", "s-9"}, {"kind", "nil"}, {"tty", "nil"}, {"appPID", "nil"}}));
}

TEST_F(TerminalSwitcherTest, WindowOnlyTerminalIsActivatedAndHonestWhenItCannotBe) {
    windows.addWindow(appPid, 0x1a00004);
    windows.addWindow(appPid, 0x1a00009);
    auto process = session(TerminalKind::alacritty, "/dev/pts/4", {"WINDOWID=27262980"});
    EXPECT_EQ(switchTo(process), SwitchResult::activatedOnly());
    // The window the session's own terminal named (0x1a00004), not the topmost.
    ASSERT_EQ(windows.requests.size(), 1u);
    EXPECT_EQ(windows.requests[0].activatedWindow, 0x1a00004u);
    EXPECT_TRUE(commands.calls.empty());
    EXPECT_TRUE(scripts.sources.empty());
    auto lines = log();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].context.at("kind"), "alacritty");
    EXPECT_EQ(lines[0].context.at("appPID"), "100");
    EXPECT_EQ(lines[0].context.at("tty"), "/dev/pts/4");
    EXPECT_EQ(lines[1].message, "终端不支持 tab 定位, 仅激活 app");

    // Nothing was brought forward: that is a failure, never a success.
    windows.setDisplayAvailable(false);
    EXPECT_EQ(switchTo(process), SwitchResult::failed("无法激活 Alacritty 窗口: 没有 X11 显示"));
    windows.setDisplayAvailable(true);
    process.terminal->appPID = 4242;
    EXPECT_EQ(switchTo(process), SwitchResult::failed("无法激活 Alacritty 窗口: 未找到它的窗口"));
    EXPECT_EQ(log().back().message, "终端不支持 tab 定位, 仅激活 app");
    EXPECT_EQ(log()[log().size() - 2].context.at("reason"), "no_window");

    // Asked, but not made active (a window manager that only marks it as
    // demanding attention): also when its tab could be selected.
    windows.setRefusing(true);
    process.terminal->appPID = appPid;
    EXPECT_EQ(switchTo(process),
              SwitchResult::failed("无法激活 Alacritty 窗口: 窗口管理器没有把它切换到前台"));
    process.terminal->kind = TerminalKind::kitty;
    proc.add({.pid = claudePid,
              .ppid = 400,
              .comm = "claude",
              .environ = {"KITTY_LISTEN_ON=unix:/tmp/k", "KITTY_WINDOW_ID=2"}});
    EXPECT_EQ(switchTo(process),
              SwitchResult::failed("无法激活 kitty 窗口: 窗口管理器没有把它切换到前台"));
}

TEST_F(TerminalSwitcherTest, ScriptTerminalsFollowTheScriptOutcome) {
    windows.addWindow(appPid, 1);

    // Linux has no script engine: the script cannot be created.
    UnavailableScriptRunner none;
    auto process = session(TerminalKind::appleTerminal, "/dev/ttys003");
    EXPECT_EQ(TerminalSwitcher({none, windows, commands, dbus, proc.proc()}).switchTo(process),
              SwitchResult::failed("AppleScript 编译失败 (Terminal.app)"));
    EXPECT_EQ(log().back().category, "applescript");
    EXPECT_EQ(log().back().severity, Severity::error);
    EXPECT_EQ(log().back().context.at("terminal"), "Terminal.app");

    scripts.answer({.created = true, .stringResult = "matched", .error = std::nullopt});
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    EXPECT_EQ(scripts.sources.back().substr(135, 12), "/dev/ttys003");
    EXPECT_EQ(log().back().message, "Terminal.app tab 切换成功");
    EXPECT_EQ(log().back().context.at("tty"), "/dev/ttys003");
}

TEST_F(TerminalSwitcherTest, ClosedTerminalTabListsTheRemainingTabs) {
    windows.addWindow(appPid, 1);
    scripts.answer({.created = true, .stringResult = "not_found", .error = std::nullopt});
    scripts.answer(
        {.created = true, .stringResult = "/dev/ttys000,/dev/ttys002,", .error = std::nullopt});
    auto process = session(TerminalKind::appleTerminal, "/dev/ttys003");
    EXPECT_EQ(switchTo(process), SwitchResult::activatedOnly());
    ASSERT_EQ(scripts.sources.size(), 2u);
    auto last = log().back();
    EXPECT_EQ(last.severity, Severity::warning);
    EXPECT_EQ(last.message, "Terminal.app 未匹配到 tty, 仅激活 app");
    EXPECT_EQ(last.context,
              (DiagnosticLogger::Context{{"terminal", "Terminal.app"},
                                         {"expectedTTY", "/dev/ttys003"},
                                         {"applescriptReturn", "not_found"},
                                         {"currentTTYs", "/dev/ttys000,/dev/ttys002,"}}));
}

TEST_F(TerminalSwitcherTest, ScriptErrorsBecomeFailuresWithTheirMessages) {
    windows.addWindow(appPid, 1);
    auto terminal = session(TerminalKind::appleTerminal, "/dev/ttys001");
    scripts.answer({.created = true,
                    .stringResult = std::nullopt,
                    .error = ScriptRun::Error{"Not authorized", -1743}});
    SwitchResult denied = switchTo(terminal);
    EXPECT_EQ(denied.kind, SwitchResult::Kind::failed);
    EXPECT_THAT(denied.message, EndsWith("允许本程序控制 Terminal.app."));
    EXPECT_EQ(log().back().message, "AppleScript 执行失败");
    EXPECT_EQ(log().back().context.at("code"), "-1743");

    FakeScriptRunner silent;
    silent.answer({.created = true, .stringResult = std::nullopt, .error = ScriptRun::Error{}});
    auto iterm = session(TerminalKind::iterm2, "/dev/ttys001");
    EXPECT_EQ(TerminalSwitcher({silent, windows, commands, dbus, proc.proc()}).switchTo(iterm),
              SwitchResult::failed("iTerm2 AppleScript 执行失败: 未知错误"));
    EXPECT_EQ(log().back().context.at("code"), "0");
    // iTerm2 has no tab listing: one script only.
    EXPECT_EQ(silent.sources.size(), 1u);
}

TEST_F(TerminalSwitcherTest, TerminalThatIsNotRunningStillGetsItsTabTried) {
    // No window for the application: activation is skipped and the tab is still
    // looked for; only a selected tab counts as success then.
    auto process = session(TerminalKind::appleTerminal, "/dev/ttys003");
    scripts.answer({.created = true, .stringResult = "matched", .error = std::nullopt});
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    FakeScriptRunner notFound;
    notFound.answer({.created = true, .stringResult = "not_found", .error = std::nullopt});
    EXPECT_EQ(TerminalSwitcher({notFound, windows, commands, dbus, proc.proc()}).switchTo(process),
              SwitchResult::failed("无法激活 Terminal.app 窗口: 未找到它的窗口"));
}

TEST_F(TerminalSwitcherTest, ScriptTerminalWithoutTtyIsOnlyActivated) {
    windows.addWindow(appPid, 1);
    EXPECT_EQ(switchTo(session(TerminalKind::iterm2, std::nullopt)), SwitchResult::activatedOnly());
    EXPECT_TRUE(scripts.sources.empty());
    EXPECT_EQ(windows.requests.size(), 1u);
    EXPECT_EQ(log().back().message, "iTerm2: tty 为 nil, 仅激活 app");
    EXPECT_EQ(log().back().severity, Severity::warning);
}

TEST_F(TerminalSwitcherTest, KittyFocusesTheWindowNamedInTheEnvironment) {
    windows.addWindow(appPid, 1);
    auto process = session(TerminalKind::kitty, "/dev/pts/2",
                           {"KITTY_LISTEN_ON=unix:/tmp/kitty-100", "KITTY_WINDOW_ID=7"});
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    ASSERT_EQ(commands.calls.size(), 1u);
    EXPECT_THAT(commands.calls[0].argv, ElementsAre("kitty", "@", "--to", "unix:/tmp/kitty-100",
                                                    "focus-window", "--match", "id:7"));
    EXPECT_EQ(log().back().message, "kitty tab 切换成功");

    commands.answer({"kitty"},
                    FakeCommandRunner::exitWith(1, "No matching windows for expression: id:7\n"));
    EXPECT_EQ(switchTo(process), SwitchResult::activatedOnly());
    EXPECT_EQ(log().back().message, "kitty 未匹配到 tty, 仅激活 app");
}

TEST_F(TerminalSwitcherTest, KittyControlFailuresCarryTheirMessage) {
    windows.addWindow(appPid, 1);
    auto process = session(TerminalKind::kitty, "/dev/pts/2",
                           {"KITTY_LISTEN_ON=unix:/tmp/kitty-100", "KITTY_WINDOW_ID=7"});
    FakeCommandRunner disabled;
    disabled.answer({"kitty"},
                    FakeCommandRunner::exitWith(1, "\nError: Remote control is disabled\nmore\n"));
    EXPECT_EQ(TerminalSwitcher({scripts, windows, disabled, dbus, proc.proc()}).switchTo(process),
              SwitchResult::failed("kitty 控制命令执行失败: Error: Remote control is disabled"));
    auto last = log().back();
    EXPECT_EQ(last.message, "终端控制命令执行失败");
    EXPECT_EQ(last.severity, Severity::error);
    EXPECT_EQ(last.context.at("code"), "1");
    EXPECT_EQ(last.context.at("command"),
              "kitty @ --to unix:/tmp/kitty-100 focus-window --match id:7");

    FakeCommandRunner hung;
    hung.answer({"kitty"}, FakeCommandRunner::timedOut());
    EXPECT_EQ(TerminalSwitcher({scripts, windows, hung, dbus, proc.proc()}).switchTo(process),
              SwitchResult::failed("kitty 控制命令超时 (1 秒内无响应)"));
    EXPECT_EQ(log().back().context.at("code"), "timeout");

    FakeCommandRunner missing;
    missing.answer({"kitty"}, FakeCommandRunner::notStarted());
    EXPECT_EQ(TerminalSwitcher({scripts, windows, missing, dbus, proc.proc()}).switchTo(process),
              SwitchResult::failed("kitty 控制命令无法运行: 找不到 kitty"));
}

TEST_F(TerminalSwitcherTest, KittyWithoutRemoteControlAddressIsOnlyActivated) {
    windows.addWindow(appPid, 1);
    EXPECT_EQ(switchTo(session(TerminalKind::kitty, "/dev/pts/2", {"KITTY_WINDOW_ID=7"})),
              SwitchResult::activatedOnly());
    EXPECT_TRUE(commands.calls.empty());
    EXPECT_EQ(log().back().message, "kitty: 缺少环境变量 KITTY_LISTEN_ON, 仅激活 app");
    EXPECT_EQ(log().back().context.at("variable"), "KITTY_LISTEN_ON");
}

TEST_F(TerminalSwitcherTest, WezTermActivatesThePaneWithTheSessionsTty) {
    windows.addWindow(appPid, 1);
    commands.answer({"wezterm", "cli", "list"},
                    FakeCommandRunner::output(
                        R"([{"window_id":0,"tab_id":0,"pane_id":0,"tty_name":"/dev/pts/1"},
                        {"window_id":0,"tab_id":3,"pane_id":5,"tty_name":"/dev/pts/9"}])"));
    auto process = session(TerminalKind::wezterm, "/dev/pts/9",
                           {"WEZTERM_UNIX_SOCKET=/run/user/1000/wezterm/gui-sock-100"});
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    ASSERT_EQ(commands.calls.size(), 2u);
    EXPECT_THAT(commands.calls[0].argv, ElementsAre("wezterm", "cli", "list", "--format", "json"));
    EXPECT_THAT(commands.calls[1].argv,
                ElementsAre("wezterm", "cli", "activate-pane", "--pane-id", "5"));
    EXPECT_THAT(commands.calls[1].extraEnvironment,
                ElementsAre("WEZTERM_UNIX_SOCKET=/run/user/1000/wezterm/gui-sock-100"));

    process.terminal->tty = "/dev/pts/3";
    EXPECT_EQ(switchTo(process), SwitchResult::activatedOnly());
    EXPECT_EQ(commands.calls.size(), 3u);
    EXPECT_EQ(log().back().context.at("currentTTYs"), "/dev/pts/1,/dev/pts/9,");
}

TEST_F(TerminalSwitcherTest, WezTermUnreadableListingOrFailedActivationFails) {
    windows.addWindow(appPid, 1);
    auto process = session(TerminalKind::wezterm, "/dev/pts/9");
    commands.answer({"wezterm", "cli", "list"}, FakeCommandRunner::output("not json"));
    EXPECT_EQ(switchTo(process).kind, SwitchResult::Kind::failed);
    EXPECT_EQ(commands.calls.size(), 1u);

    FakeCommandRunner refusing;
    refusing.answer({"wezterm", "cli", "list"},
                    FakeCommandRunner::output(R"([{"pane_id":2,"tty_name":"/dev/pts/9"}])"));
    refusing.answer({"wezterm", "cli", "activate-pane"},
                    FakeCommandRunner::exitWith(1, "pane 2 not found\n"));
    EXPECT_EQ(TerminalSwitcher({scripts, windows, refusing, dbus, proc.proc()}).switchTo(process),
              SwitchResult::failed("WezTerm 控制命令执行失败: pane 2 not found"));
}

TEST_F(TerminalSwitcherTest, KonsoleSelectsTheSessionOnItsWindow) {
    windows.addWindow(appPid, 1);
    auto process = session(TerminalKind::konsole, "/dev/pts/5",
                           {"KONSOLE_DBUS_SERVICE=:1.42", "KONSOLE_DBUS_WINDOW=/Windows/1",
                            "KONSOLE_DBUS_SESSION=/Sessions/3"});
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    ASSERT_EQ(dbus.calls.size(), 1u);
    EXPECT_EQ(dbus.calls[0], (DBusCall{":1.42", "/Windows/1", "org.kde.konsole.Window",
                                       "setCurrentSession", QVariantList{3}}));
    EXPECT_EQ(dbus.calls[0].arguments[0].typeId(), QMetaType::Int);

    dbus.reply = {.ok = false,
                  .timedOut = false,
                  .errorName = "org.freedesktop.DBus.Error.ServiceUnknown",
                  .errorMessage = "The name :1.42 was not provided by any .service files",
                  .values = {}};
    EXPECT_EQ(switchTo(process),
              SwitchResult::failed(
                  "Konsole D-Bus 调用失败: The name :1.42 was not provided by any .service files"));
    EXPECT_EQ(log().back().message, "D-Bus 调用失败");
    EXPECT_EQ(log().back().context.at("method"), "org.kde.konsole.Window.setCurrentSession");

    dbus.reply = {.ok = false,
                  .timedOut = true,
                  .errorName = "org.freedesktop.DBus.Error.NoReply",
                  .errorMessage = "Did not receive a reply",
                  .values = {}};
    EXPECT_EQ(switchTo(process), SwitchResult::failed("Konsole D-Bus 调用超时 (1 秒内无响应)"));
}

TEST_F(TerminalSwitcherTest, KonsoleWithAMalformedSessionPathCallsNothing) {
    windows.addWindow(appPid, 1);
    auto process = session(TerminalKind::konsole, "/dev/pts/5",
                           {"KONSOLE_DBUS_SERVICE=:1.42", "KONSOLE_DBUS_WINDOW=/Windows/1",
                            "KONSOLE_DBUS_SESSION=/Sessions/x3"});
    EXPECT_EQ(switchTo(process), SwitchResult::activatedOnly());
    EXPECT_TRUE(dbus.calls.empty());
}

TEST_F(TerminalSwitcherTest, GnomeTerminalChecksThenActivatesTheScreen) {
    windows.addWindow(appPid, 1);
    auto process =
        session(TerminalKind::gnomeTerminal, "/dev/pts/6",
                {"GNOME_TERMINAL_SERVICE=:1.77", "GNOME_TERMINAL_SCREEN=/org/gnome/Terminal/screen/"
                                                 "0f3c1a2b_9d4e_4f60_8a71_b2c3d4e5f607"});
    const QString uuid = "0f3c1a2b-9d4e-4f60-8a71-b2c3d4e5f607";
    dbus.repliesByMethod["GetResultMetas"] = {.ok = true,
                                              .timedOut = false,
                                              .errorName = {},
                                              .errorMessage = {},
                                              .values = {QVariantList{QVariantMap{{"id", uuid}}}}};
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    ASSERT_EQ(dbus.calls.size(), 2u);
    const QString path = "/org/gnome/Terminal/SearchProvider";
    const QString interface = "org.gnome.Shell.SearchProvider2";
    EXPECT_EQ(dbus.calls[0], (DBusCall{":1.77", path, interface, "GetResultMetas",
                                       QVariantList{QStringList{uuid}}}));
    EXPECT_EQ(dbus.calls[1],
              (DBusCall{":1.77", path, interface, "ActivateResult",
                        QVariantList{uuid, QStringList{}, QVariant::fromValue<uint>(424242)}}));
    EXPECT_EQ(dbus.calls[1].arguments[2].typeId(), QMetaType::UInt);

    // A closed tab is unknown to the provider: nothing is activated by it.
    dbus.repliesByMethod["GetResultMetas"].values = {QVariantList{}};
    EXPECT_EQ(switchTo(process), SwitchResult::activatedOnly());
    EXPECT_EQ(dbus.calls.size(), 3u);
    EXPECT_EQ(log().back().message, "GNOME Terminal 未匹配到 tty, 仅激活 app");
}

TEST_F(TerminalSwitcherTest, TabSelectedWithoutADisplayIsStillASwitch) {
    windows.setDisplayAvailable(false);
    auto process = session(TerminalKind::konsole, "/dev/pts/5",
                           {"KONSOLE_DBUS_SERVICE=:1.42", "KONSOLE_DBUS_WINDOW=/Windows/1",
                            "KONSOLE_DBUS_SESSION=/Sessions/3"});
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    EXPECT_THAT(logMessages(), ElementsAre("切换尝试", "窗口激活失败", "Konsole tab 切换成功"));
}

TEST_F(TerminalSwitcherTest, TmuxShowsThePaneOnTheMostRecentClientAndRaisesItsTerminal) {
    // Client 700 (tmux attach) runs in a shell (650) inside the terminal (600).
    proc.add({.pid = 600, .ppid = 1, .comm = "xterm"});
    proc.add({.pid = 650, .ppid = 600, .comm = "bash"});
    proc.add({.pid = 700, .ppid = 650, .comm = "tmux: client", .environ = {"WINDOWID=31457294"}});
    windows.addWindow(600, 31457294);
    auto process = session(TerminalKind::tmux, "/dev/pts/12",
                           {"TMUX=/tmp/tmux-1000/work,3300,1", "TMUX_PANE=%4"});
    process.terminal->appPID = 3300;
    const std::vector<std::string> tmux{"tmux", "-u", "-S", "/tmp/tmux-1000/work"};
    auto with = [&tmux](std::vector<std::string> arguments) {
        auto argv = tmux;
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return argv;
    };
    commands.answer(with({"list-panes"}), FakeCommandRunner::output("%0\t/dev/pts/10\t$0\t@0\n"
                                                                    "%4\t/dev/pts/12\t$1\t@3\n"));
    commands.answer(with({"list-clients"}),
                    FakeCommandRunner::output("/dev/pts/20\t690\t$0\t100\n"
                                              "/dev/pts/21\t700\t$0\t200\n"));
    EXPECT_EQ(switchTo(process), SwitchResult::switched());
    ASSERT_EQ(commands.calls.size(), 5u);
    EXPECT_EQ(
        commands.calls[0].argv,
        with({"list-panes", "-a", "-F", "#{pane_id}\t#{pane_tty}\t#{session_id}\t#{window_id}"}));
    EXPECT_EQ(commands.calls[1].argv, with({"select-window", "-t", "@3"}));
    EXPECT_EQ(commands.calls[2].argv, with({"select-pane", "-t", "%4"}));
    EXPECT_EQ(commands.calls[4].argv, with({"switch-client", "-c", "/dev/pts/21", "-t", "$1"}));
    // The server is not asked for a window; the client's terminal is.
    EXPECT_THAT(windows.requests,
                ElementsAre(FakeWindowSystem::Request{600, 31457294u, 31457294u}));
    EXPECT_EQ(log().back().message, "tmux tab 切换成功");
}

// The client's terminal is raised through its own interface too, which picks
// the very tab that runs the client: its address is in the client's
// environment, as it is in a session's.
TEST_F(TerminalSwitcherTest, TmuxRaisesTheTabOfTheClientInATerminalThatCanSelectTabs) {
    proc.add({.pid = 600, .ppid = 1, .comm = "kitty", .exe = "/usr/bin/kitty"});
    proc.add({.pid = 650, .ppid = 600, .comm = "bash"});
    proc.add({.pid = 700,
              .ppid = 650,
              .comm = "tmux",
              .environ = {"KITTY_LISTEN_ON=unix:/tmp/kitty-600", "KITTY_WINDOW_ID=3"}});
    windows.addWindow(600, 0x2200001);
    auto process = session(TerminalKind::tmux, "/dev/pts/12",
                           {"TMUX=/tmp/tmux-1000/work,3300,1", "TMUX_PANE=%4"});
    const std::vector<std::string> tmux{"tmux", "-u", "-S", "/tmp/tmux-1000/work"};
    commands.answer({"tmux", "-u", "-S", "/tmp/tmux-1000/work", "list-panes"},
                    FakeCommandRunner::output("%4\t/dev/pts/12\t$1\t@3\n"));
    commands.answer({"tmux", "-u", "-S", "/tmp/tmux-1000/work", "list-clients"},
                    FakeCommandRunner::output("/dev/pts/21\t700\t$1\t200\n"));
    commands.answer({"kitty"}, FakeCommandRunner::exitWith(1, "Remote control is disabled\n"));

    EXPECT_EQ(switchTo(process), SwitchResult::switched())
        << "the pane is shown; only raising its terminal's tab failed";
    EXPECT_THAT(windows.requests,
                ElementsAre(FakeWindowSystem::Request{600, std::nullopt, 0x2200001u}));
    ASSERT_FALSE(commands.calls.empty());
    EXPECT_EQ(commands.calls.back().argv,
              (std::vector<std::string>{"kitty", "@", "--to", "unix:/tmp/kitty-600", "focus-window",
                                        "--match", "id:3"}));
    EXPECT_THAT(logMessages(), ::testing::Contains("终端控制命令执行失败"));
}

TEST_F(TerminalSwitcherTest, TmuxFailsWhenNobodyCanSeeThePane) {
    auto process = session(TerminalKind::tmux, "/dev/pts/12",
                           {"TMUX=/tmp/tmux-1000/work,3300,1", "TMUX_PANE=%4"});
    commands.answer({"tmux", "-u", "-S", "/tmp/tmux-1000/work", "list-panes"},
                    FakeCommandRunner::output("%4\t/dev/pts/12\t$1\t@3\n"));
    commands.answer({"tmux", "-u", "-S", "/tmp/tmux-1000/work", "list-clients"},
                    FakeCommandRunner::output(""));
    EXPECT_EQ(switchTo(process), SwitchResult::failed("tmux 会话没有连接的终端"));
    EXPECT_TRUE(windows.requests.empty());

    // Without TMUX the server cannot even be found, and the message says so.
    proc.add({.pid = claudePid, .ppid = 400, .comm = "claude", .environ = {"TMUX_PANE=%4"}});
    commands.calls.clear();
    EXPECT_EQ(switchTo(process),
              SwitchResult::failed("tmux: 会话的环境中没有 TMUX 变量, 无法定位 pane"));
    EXPECT_TRUE(commands.calls.empty());
}

TEST_F(TerminalSwitcherTest, TmuxPaneThatIsGoneOrAFailingServer) {
    auto process = session(TerminalKind::tmux, "/dev/pts/12", {"TMUX=/tmp/tmux-1000/work,3300,1"});
    commands.answer({"tmux", "-u", "-S", "/tmp/tmux-1000/work", "list-panes"},
                    FakeCommandRunner::output("%0\t/dev/pts/10\t$0\t@0\n"));
    SwitchResult gone = switchTo(process);
    // Nothing selected and no terminal to raise.
    EXPECT_EQ(gone, SwitchResult::failed("tmux 中未找到该会话, 没有可激活的窗口"));
    EXPECT_EQ(commands.calls.size(), 1u);
    EXPECT_EQ(log().back().message, "tmux 未匹配到 tty, 仅激活 app");
    EXPECT_EQ(log().back().context.at("currentTTYs"), "/dev/pts/10,");

    FakeCommandRunner dead;
    dead.answer({"tmux"},
                FakeCommandRunner::exitWith(1, "no server running on /tmp/tmux-1000/work\n"));
    EXPECT_EQ(
        TerminalSwitcher({scripts, windows, dead, dbus, proc.proc()}).switchTo(process),
        SwitchResult::failed("tmux 控制命令执行失败: no server running on /tmp/tmux-1000/work"));
}

} // namespace
} // namespace quillo::test
