// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeProc.h"
#include "platform/ProcApplicationIdentifier.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::FakeProc;
using Id = ProcApplicationIdentifier;

TEST(ApplicationIdentifier, ReadsTheAppIdOfDesktopUnits) {
    EXPECT_EQ(Id::appIdFromCgroup("0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                                  "app-gnome-kitty-4242.scope\n"),
              "kitty");
    EXPECT_EQ(Id::appIdFromCgroup("0::/user.slice/user@1000.service/app.slice/"
                                  "app-org.wezfurlong.wezterm-77.scope\n"),
              "org.wezfurlong.wezterm")
        << "no launcher part";
    EXPECT_EQ(Id::appIdFromCgroup("0::/user.slice/user@1000.service/app.slice/"
                                  "app-flatpak-com.gexperts.Tilix@a1b2.service\n"),
              "com.gexperts.Tilix");
    EXPECT_EQ(Id::appIdFromCgroup("0::/app.slice/app-org.kde.konsole.service\n"),
              "org.kde.konsole");
    EXPECT_EQ(Id::appIdFromCgroup("0::/app.slice/app-gnome-debian\\x2dxterm-99.scope\n"), "xterm")
        << "escaped dashes are part of the id, and distribution ids fold to the known one";
    EXPECT_EQ(
        Id::appIdFromCgroup("12:pids:/\n1:name=systemd:/user.slice/app-gnome-foot-5.scope\n0::/\n"),
        "foot")
        << "systemd's own hierarchy on a hybrid system";
}

TEST(ApplicationIdentifier, IgnoresUnitsThatNameNoApplication) {
    // The shells of GNOME Terminal sit in their own scope inside the
    // terminal's slice; they are not the terminal.
    EXPECT_EQ(Id::appIdFromCgroup("0::/user.slice/user@1000.service/app.slice/"
                                  "app-org.gnome.Terminal.slice/vte-spawn-5d1e.scope\n"),
              std::nullopt);
    EXPECT_EQ(Id::appIdFromCgroup("0::/user.slice/user-1000.slice/session-3.scope\n"),
              std::nullopt);
    EXPECT_EQ(Id::appIdFromCgroup("0::/app.slice/app-kitty.scope\n"), std::nullopt)
        << "a scope without its random part is malformed";
    EXPECT_EQ(Id::appIdFromCgroup("0::/\n"), std::nullopt);
    EXPECT_EQ(Id::appIdFromCgroup(""), std::nullopt);
    EXPECT_EQ(Id::appIdFromCgroup("garbage without colons"), std::nullopt);
}

TEST(ApplicationIdentifier, KnowsTerminalExecutablesAlsoByTheirCutComm) {
    EXPECT_EQ(Id::appIdFromExecutableName("gnome-terminal-server"), "org.gnome.Terminal");
    EXPECT_EQ(Id::appIdFromExecutableName("gnome-terminal-"), "org.gnome.Terminal")
        << "comm keeps 15 bytes";
    EXPECT_EQ(Id::appIdFromExecutableName("tmux: server"), "tmux");
    EXPECT_EQ(Id::appIdFromExecutableName("wezterm-gui"), "org.wezfurlong.wezterm");
    EXPECT_EQ(Id::appIdFromExecutableName("wezterm"), std::nullopt) << "the CLI is not the GUI";
    EXPECT_EQ(Id::appIdFromExecutableName("Kitty"), std::nullopt) << "names are case-sensitive";
    EXPECT_EQ(Id::appIdFromExecutableName("bash"), std::nullopt);
    EXPECT_EQ(Id::appIdFromExecutableName(""), std::nullopt);
}

class ApplicationIdentifierProcTest : public ::testing::Test {
protected:
    static constexpr const char* kittyScope = "0::/user.slice/app.slice/app-gnome-kitty-31.scope\n";
    void SetUp() override {
        fake.add({.pid = 2, .ppid = 1, .comm = "systemd", .cgroup = "0::/user.slice/init.scope\n"});
        fake.add(
            {.pid = 10, .ppid = 2, .comm = "kitty", .exe = "/usr/bin/kitty", .cgroup = kittyScope});
        fake.add(
            {.pid = 11, .ppid = 10, .comm = "bash", .exe = "/usr/bin/bash", .cgroup = kittyScope});
        fake.add({.pid = 12,
                  .ppid = 11,
                  .comm = "claude",
                  .exe = "/opt/claude/2.1.300",
                  .cgroup = kittyScope});
    }
    FakeProc fake;
};

TEST_F(ApplicationIdentifierProcTest, OnlyTheTopProcessOfAUnitIsTheApplication) {
    ProcApplicationIdentifier apps(fake.proc());
    EXPECT_EQ(apps.bundleIdentifier(10), "kitty");
    EXPECT_EQ(apps.bundleIdentifier(11), std::nullopt) << "the shell inherits the unit";
    EXPECT_EQ(apps.bundleIdentifier(12), std::nullopt);
    EXPECT_EQ(apps.bundleIdentifier(999), std::nullopt) << "no record";

    // A terminal that puts each tab into a unit named after itself.
    fake.add({.pid = 30,
              .ppid = 2,
              .comm = "konsole",
              .exe = "/usr/bin/konsole",
              .cgroup = "0::/app.slice/app-org.kde.konsole@1.service\n"});
    fake.add({.pid = 31,
              .ppid = 30,
              .comm = "bash",
              .exe = "/usr/bin/bash",
              .cgroup = "0::/app.slice/app-org.kde.konsole-31.scope\n"});
    EXPECT_EQ(apps.bundleIdentifier(30), "org.kde.konsole");
    EXPECT_EQ(apps.bundleIdentifier(31), std::nullopt) << "the tab's shell is not the terminal";
}

TEST_F(ApplicationIdentifierProcTest, FallsBackFromExeToCommToArgv) {
    // Terminator is a Python script: the exe is the interpreter, comm the script.
    fake.add({.pid = 20,
              .ppid = 2,
              .comm = "terminator",
              .cmdline = {"/usr/bin/python3", "/usr/bin/terminator"},
              .exe = "/usr/bin/python3.11"});
    // Another user's process: no readable exe link.
    fake.add({.pid = 21, .ppid = 2, .comm = "gnome-terminal-"});
    // A terminal started from a shell shares the shell's unit; its exe names it.
    fake.add({.pid = 22,
              .ppid = 11,
              .comm = "alacritty",
              .exe = "/usr/bin/alacritty",
              .cgroup = kittyScope});
    fake.add({.pid = 23, .ppid = 2, .comm = "x", .cmdline = {"/usr/bin/xterm", "-e", "sh"}});

    ProcApplicationIdentifier apps(fake.proc());
    EXPECT_EQ(apps.bundleIdentifier(20), "terminator");
    EXPECT_EQ(apps.bundleIdentifier(21), "org.gnome.Terminal");
    EXPECT_EQ(apps.bundleIdentifier(22), "Alacritty");
    EXPECT_EQ(apps.bundleIdentifier(23), "xterm");
}

} // namespace
} // namespace quillo
