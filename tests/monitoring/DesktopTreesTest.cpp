// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeProc.h"
#include "TempDir.h"
#include "platform/ProcApplicationIdentifier.h"
#include "terminal/ProcessTreeResolver.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillo {
namespace {

using test::FakeProc;

// Process trees as GNOME and KDE Plasma really lay them out: the desktop's
// shell launches each application into a systemd scope of its own below
// systemd --user, and everything the application starts inherits that scope,
// including a tmux server that re-parents itself to systemd --user.
class DesktopTreesTest : public ::testing::Test {
protected:
    static std::string unit(const std::string& name) {
        return "0::/user.slice/user-1000.slice/user@1000.service/app.slice/" + name + "\n";
    }

    void SetUp() override {
        fake.add({.pid = 1, .ppid = 0, .comm = "systemd", .cgroup = "0::/init.scope\n"});
        fake.add({.pid = 1200,
                  .ppid = 1,
                  .comm = "systemd",
                  .exe = "/usr/lib/systemd/systemd",
                  .cgroup = "0::/user.slice/user-1000.slice/user@1000.service/init.scope\n",
                  .startTime = 900});
        fake.add({.pid = 1500,
                  .ppid = 1200,
                  .comm = "gnome-shell",
                  .exe = "/usr/bin/gnome-shell",
                  .cgroup = "0::/user.slice/user-1000.slice/user@1000.service/session.slice/"
                            "org.gnome.Shell@x11.service\n",
                  .startTime = 950});
    }

    // A terminal launched from the desktop, with a shell on /dev/pts/`pts`
    // started in the same clock tick (so the two tie on start time).
    void addTerminal(std::int32_t pid, const std::string& comm, const std::string& exe,
                     const std::string& cgroup, int pts) {
        fake.add({.pid = pid,
                  .ppid = 1500,
                  .comm = comm,
                  .exe = exe,
                  .cgroup = cgroup,
                  .startTime = 5000});
        fake.add({.pid = pid + 1,
                  .ppid = pid,
                  .comm = "bash",
                  .ttyNr = FakeProc::ptsDevice(pts),
                  .exe = "/usr/bin/bash",
                  .cgroup = cgroup,
                  .startTime = 5000});
    }

    // tmux started in the shell `shell`: the client stays there, the server
    // leaves for systemd --user but keeps the unit; a pane on /dev/pts/`pts`
    // runs claude. Returns the server's pid.
    std::int32_t addTmux(std::int32_t shell, std::int32_t pid, const std::string& cgroup, int pts) {
        fake.add({.pid = pid,
                  .ppid = shell,
                  .comm = "tmux",
                  .cmdline = {"tmux"},
                  .exe = "/usr/bin/tmux",
                  .cgroup = cgroup,
                  .startTime = 6000});
        fake.add({.pid = pid + 1,
                  .ppid = 1200,
                  .comm = "tmux: server",
                  .cmdline = {"tmux"},
                  .exe = "/usr/bin/tmux",
                  .cgroup = cgroup,
                  .startTime = 6000});
        fake.add({.pid = pid + 2,
                  .ppid = pid + 1,
                  .comm = "zsh",
                  .ttyNr = FakeProc::ptsDevice(pts),
                  .cgroup = cgroup,
                  .startTime = 6001});
        fake.add({.pid = pid + 3,
                  .ppid = pid + 2,
                  .comm = "claude",
                  .ttyNr = FakeProc::ptsDevice(pts),
                  .exe = "/opt/claude/2.1.300",
                  .cgroup = cgroup,
                  .startTime = 6002});
        return pid + 1;
    }

    std::optional<TerminalLocation> resolve(std::int32_t claude) {
        std::ostringstream trace;
        return ProcessTreeResolver::resolve(std::nullopt, claude, std::nullopt, false,
                                            {fake.proc(), apps}, trace);
    }

    test::TempHome home; // the diagnostic log goes here
    FakeProc fake;
    ProcApplicationIdentifier apps{fake.proc()};
};

TEST_F(DesktopTreesTest, ATmuxServerKeepsTheUnitOfTheTerminalItWasStartedIn) {
    // GNOME: terminals in app-gnome-<id>-<pid>.scope, one per launch.
    struct Launch {
        std::string comm, exe, unit;
    };
    const std::vector<Launch> launches{
        {"kitty", "/usr/bin/kitty", "app-gnome-kitty-2000.scope"},
        {"alacritty", "/usr/bin/alacritty", "app-gnome-Alacritty-2100.scope"},
        {"foot", "/usr/bin/foot", "app-gnome-org.codeberg.dnkl.foot-2200.scope"},
        {"xterm", "/usr/bin/xterm", "app-gnome-debian\\x2dxterm-2300.scope"},
        {"wezterm-gui", "/usr/bin/wezterm-gui", "app-gnome-org.wezfurlong.wezterm-2400.scope"},
        // Plasma starts its applications the same way, as a service.
        {"konsole", "/usr/bin/konsole", "app-org.kde.konsole@a1b2c3.service"},
    };
    std::int32_t pid = 2000;
    for (const auto& launch : launches) {
        SCOPED_TRACE(launch.comm);
        std::string cgroup = unit(launch.unit);
        addTerminal(pid, launch.comm, launch.exe, cgroup, 10);
        std::int32_t server = addTmux(pid + 1, pid + 10, cgroup, 11);
        EXPECT_EQ(resolve(pid + 13),
                  (TerminalLocation{TerminalKind::tmux, server, server + 1, "/dev/pts/11"}));
        // The terminal itself is still known by its unit, and its shell is not.
        EXPECT_TRUE(apps.bundleIdentifier(pid).has_value());
        EXPECT_EQ(apps.bundleIdentifier(pid + 1), std::nullopt);
        pid += 100;
    }
}

TEST_F(DesktopTreesTest, KonsoleTabsInScopesOfTheirOwnStillLeadToKonsole) {
    // Konsole puts every tab's shell into a scope named after itself.
    addTerminal(3000, "konsole", "/usr/bin/konsole", unit("app-org.kde.konsole@0f.service"), 3);
    const std::string tab = unit("app-org.kde.konsole-3005.scope");
    fake.add({.pid = 3005,
              .ppid = 3000,
              .comm = "bash",
              .ttyNr = FakeProc::ptsDevice(4),
              .cgroup = tab,
              .startTime = 5100});
    fake.add({.pid = 3006,
              .ppid = 3005,
              .comm = "claude",
              .ttyNr = FakeProc::ptsDevice(4),
              .cgroup = tab,
              .startTime = 5200});
    EXPECT_EQ(resolve(3006), (TerminalLocation{TerminalKind::konsole, 3000, 3005, "/dev/pts/4"}));

    // tmux started in that tab keeps the tab's scope.
    std::int32_t server = addTmux(3005, 3010, tab, 5);
    EXPECT_EQ(resolve(3013), (TerminalLocation{TerminalKind::tmux, server, 3012, "/dev/pts/5"}));
}

TEST_F(DesktopTreesTest, AProcessLeftBehindByItsTerminalIsNotThatTerminal) {
    // `setsid claude &` in kitty, whose shell then exited: claude now hangs
    // below systemd --user, still in kitty's unit.
    const std::string cgroup = unit("app-gnome-kitty-2000.scope");
    addTerminal(2000, "kitty", "/usr/bin/kitty", cgroup, 1);
    fake.add({.pid = 2050,
              .ppid = 1200,
              .comm = "claude",
              .exe = "/opt/claude/2.1.300",
              .cgroup = cgroup,
              .startTime = 7000});
    EXPECT_EQ(resolve(2050), std::nullopt);
}

TEST_F(DesktopTreesTest, OtherMultiplexerServersAreNeverTheTerminalWhoseUnitTheyKept) {
    const std::string cgroup = unit("app-gnome-kitty-2000.scope");
    addTerminal(2000, "kitty", "/usr/bin/kitty", cgroup, 1);
    fake.add({.pid = 2020,
              .ppid = 1200,
              .comm = "screen",
              .cmdline = {"SCREEN"},
              .cgroup = cgroup,
              .startTime = 6000});
    fake.add({.pid = 2030,
              .ppid = 1200,
              .comm = "zellij",
              .cmdline = {"zellij", "--server", "/run/user/1000/zellij/0.39.2/quiet-fox"},
              .cgroup = cgroup,
              .startTime = 6000});
    for (std::int32_t server : {2020, 2030}) {
        fake.add({.pid = server + 1,
                  .ppid = server,
                  .comm = "bash",
                  .ttyNr = FakeProc::ptsDevice(7),
                  .cgroup = cgroup,
                  .startTime = 6001});
        fake.add({.pid = server + 2,
                  .ppid = server + 1,
                  .comm = "claude",
                  .ttyNr = FakeProc::ptsDevice(7),
                  .cgroup = cgroup,
                  .startTime = 6002});
        EXPECT_EQ(resolve(server + 2), std::nullopt) << server;
    }
}

TEST_F(DesktopTreesTest, VSCodesTerminalsBelongToItsMainProcess) {
    // The integrated terminal's shells hang below the pty host, a utility
    // process of the same executable; the windows belong to the main process.
    const std::string cgroup = unit("app-gnome-code-4000.scope");
    fake.add({.pid = 4000,
              .ppid = 1500,
              .comm = "code",
              .cmdline = {"/usr/share/code/code"},
              .exe = "/usr/share/code/code",
              .cgroup = cgroup,
              .startTime = 5000});
    fake.add({.pid = 4001,
              .ppid = 4000,
              .comm = "code",
              .cmdline = {"/usr/share/code/code", "--type=zygote"},
              .exe = "/usr/share/code/code",
              .cgroup = cgroup,
              .startTime = 5000});
    fake.add({.pid = 4005,
              .ppid = 4000,
              .comm = "code",
              .cmdline = {"/usr/share/code/code", "--type=utility",
                          "--utility-sub-type=node.mojom.NodeService"},
              .exe = "/usr/share/code/code",
              .cgroup = cgroup,
              .startTime = 5300});
    fake.add({.pid = 4006,
              .ppid = 4005,
              .comm = "bash",
              .ttyNr = FakeProc::ptsDevice(2),
              .exe = "/usr/bin/bash",
              .cgroup = cgroup,
              .startTime = 5400});
    fake.add({.pid = 4007,
              .ppid = 4006,
              .comm = "claude",
              .ttyNr = FakeProc::ptsDevice(2),
              .cgroup = cgroup,
              .startTime = 5500});
    EXPECT_EQ(resolve(4007), (TerminalLocation{TerminalKind::vscode, 4000, 4006, "/dev/pts/2"}));

    // Started from a terminal instead, VS Code runs in that terminal's unit
    // and is known by its executable; the climb stops below the terminal.
    const std::string kitty = unit("app-gnome-kitty-2000.scope");
    addTerminal(2000, "kitty", "/usr/bin/kitty", kitty, 1);
    fake.add({.pid = 4100,
              .ppid = 2001,
              .comm = "code",
              .exe = "/usr/share/code/code",
              .cgroup = kitty,
              .startTime = 5600});
    fake.add({.pid = 4105,
              .ppid = 4100,
              .comm = "code",
              .exe = "/usr/share/code/code",
              .cgroup = kitty,
              .startTime = 5700});
    fake.add({.pid = 4106,
              .ppid = 4105,
              .comm = "bash",
              .ttyNr = FakeProc::ptsDevice(3),
              .cgroup = kitty,
              .startTime = 5800});
    fake.add({.pid = 4107,
              .ppid = 4106,
              .comm = "claude",
              .ttyNr = FakeProc::ptsDevice(3),
              .cgroup = kitty,
              .startTime = 5900});
    EXPECT_EQ(resolve(4107), (TerminalLocation{TerminalKind::vscode, 4100, 4106, "/dev/pts/3"}));
}

} // namespace
} // namespace quillo
