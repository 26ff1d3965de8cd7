// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HeadlessMonitor.h"
#include "ChildProcess.h"
#include "FakeProc.h"
#include "MonitoringSupport.h"
#include "TempDir.h"
#include "app/DebugTree.h"
#include "app/MonitorLock.h"
#include "platform/ProcApplicationIdentifier.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;

TEST(DebugTree, PrintsTheTraceAndTheResult) {
    TempHome home;
    FakeProc fake;
    fake.add({.pid = 70, .ppid = 1, .comm = "kitty", .exe = "/usr/bin/kitty"});
    fake.add({.pid = 71, .ppid = 70, .comm = "bash", .ttyNr = FakeProc::ptsDevice(6)});
    ProcApplicationIdentifier apps(fake.proc());
    std::ostringstream out;
    EXPECT_EQ(runDebugTree(71, {fake.proc(), apps}, out), 0);
    EXPECT_EQ(out.str(),
              "Resolving tree from pid=71:\n"
              "  chain: [71, 70]\n"
              "  [0] pid=71 bundleId=(nil)\n"
              "  [1] pid=70 bundleId=kitty\n"
              "  tty fallback hit pid=71 tty=/dev/pts/6\n"
              "  ✅ kind=kitty appPID=70 shellPID=71 tty=/dev/pts/6\n"
              "Result: TerminalLocation(kind: kitty, appPID: 70, shellPID: 71, tty: /dev/pts/6)\n");

    out.str("");
    runDebugTree(-1, {fake.proc(), apps}, out);
    EXPECT_EQ(out.str(), "Resolving tree from pid=-1:\n  chain: []\nResult: nil\n");
    EXPECT_EQ(
        ProcessTreeResolver::describe(TerminalLocation{TerminalKind::tmux, 4, 5, std::nullopt}),
        "TerminalLocation(kind: tmux, appPID: 4, shellPID: 5, tty: nil)");
}

// Session ids, names (from the cwd) and ttys come from the events file: a line
// feed or a NUL in them must neither split the one-line table nor reach the
// terminal raw; other text, Chinese included, is shown as it is.
TEST(HeadlessMonitor, ControlCharactersInTheTableAreEscaped) {
    ClaudeProcess process;
    process.id = std::string("a\nb\tc\x1b[2J");
    process.name = std::string("dir\0x\x7f\xc2\x85", 8);
    process.terminal = TerminalLocation{TerminalKind::xterm, 10, 11, "/dev/pts/1\r"};
    process.claudePID = 12;
    ClaudeProcess plain;
    plain.id = "s-2";
    plain.name = "项目\u2028二";
    const std::string line = HeadlessMonitor::describe({process, plain});
    EXPECT_EQ(line, "[quillo] 2 sessions: dir\\u0000x\\u007f\\u0085 (a\\nb\\tc\\u001b[2J) unknown, "
                    "xterm /dev/pts/1\\r, pid 12; 项目\\u2028二 (s-2) unknown, no terminal");
}

// The whole program: `QuilloMac --headless` with a private home, fed by the
// real recorder, prints the session as it appears, changes and goes.
TEST(HeadlessMonitor, RunsAsAProgramAndPrintsEachChange) {
    TempHome home;
    qtApp();
    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& entry : home.environment()) {
        auto eq = entry.find('=');
        env.insert(QString::fromStdString(entry.substr(0, eq)),
                   QString::fromStdString(entry.substr(eq + 1)));
    }
    env.insert("QUILLO_TRANSPORT_PORT", "0"); // never the real port of a running monitor
    monitor.setProcessEnvironment(env);
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    std::vector<std::string> lines;
    std::string partial;
    QObject::connect(&monitor, &QProcess::readyReadStandardOutput, [&] {
        partial += monitor.readAllStandardOutput().toStdString();
        for (auto end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
            std::string line = partial.substr(0, end);
            partial.erase(0, end + 1);
            // The phone link's lines (port, pairing address, DNS-SD) are tested on their own.
            if (!line.starts_with("[quillo] phones connect to port ") &&
                line.find("quillo://pair?") == std::string::npos &&
                line.find("DNS-SD") == std::string::npos) {
                lines.push_back(line);
            }
        }
    });
    monitor.start(QUILLO_MAC_BINARY, {"--headless"});
    ASSERT_TRUE(monitor.waitForStarted());
    ASSERT_TRUE(spinUntil([&] { return !lines.empty(); }));
    EXPECT_EQ(lines[0], "[quillo] watching " + home.eventsFile().string());

    auto feed = [&](const std::string& fixture, const std::string& expected) {
        auto result =
            ChildProcess::run({QUILLO_HOOK_BINARY}, {.timeLimit = std::chrono::seconds(30),
                                                     .standardInput = testData(fixture),
                                                     .extraEnvironment = home.environment()});
        ASSERT_TRUE(result.succeeded());
        ASSERT_TRUE(spinUntil([&] { return lines.back().find(expected) != std::string::npos; }))
            << "last line: " << lines.back();
    };
    feed("hook-session-start.json",
         "[quillo] 1 session: atlas (7f3b9c2e-5d41-4e8a-9b6f-0c2d1e4a8b73) waiting_input");
    feed("hook-user-prompt-submit.json", ") active");
    feed("hook-stop.json", ") waiting_input");
    feed("hook-notification-permission-prompt.json", ") waiting_permission");
    feed("hook-session-end.json", "[quillo] 0 sessions");
    EXPECT_EQ(lines.size(), 6u) << "one line per change, no repeats";

    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(20000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0);
}

// Two monitors would split the events between them: the second one is
// refused, names the first, and the lock goes with the process that held it.
TEST(HeadlessMonitor, OnlyOneMonitorRunsPerUser) {
    TempHome home;
    qtApp();
    std::filesystem::create_directories(home.appSupport());
    std::vector<std::string> environment = home.environment();
    environment.push_back("QUILLO_TRANSPORT_PORT=0");
    // The refusal speaks the user's language; a Chinese locale makes it the
    // source text whatever this machine's own locale is.
    environment.push_back("LC_ALL=zh_CN.UTF-8");
    auto runMonitor = [&environment] {
        return ChildProcess::run({QUILLO_MAC_BINARY, "--headless"},
                                 {.timeLimit = std::chrono::seconds(60),
                                  .captureStandardError = true,
                                  .extraEnvironment = environment});
    };

    // This test process is the running monitor.
    MonitorLock ours(home.appSupport() / "monitor.lock");
    ASSERT_EQ(ours.acquire(), MonitorLock::Outcome::acquired);
    auto refused = runMonitor();
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.standardError,
              "[quillo] 已有 Quillo 在运行 (pid " + std::to_string(::getpid()) + ")\n");
    EXPECT_EQ(refused.standardOutput, "") << "it watched nothing";

    // Released, as before a relaunch: the next monitor takes over.
    ours.release();
    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& entry : environment) {
        auto eq = entry.find('=');
        env.insert(QString::fromStdString(entry.substr(0, eq)),
                   QString::fromStdString(entry.substr(eq + 1)));
    }
    monitor.setProcessEnvironment(env);
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    monitor.start(QUILLO_MAC_BINARY, {"--headless"});
    ASSERT_TRUE(monitor.waitForStarted());
    ASSERT_TRUE(spinUntil([&] { return monitor.canReadLine(); }));

    MonitorLock second(home.appSupport() / "monitor.lock");
    EXPECT_EQ(second.acquire(), MonitorLock::Outcome::heldElsewhere);
    EXPECT_EQ(second.holder(), monitor.processId());
    refused = runMonitor();
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.standardError,
              "[quillo] 已有 Quillo 在运行 (pid " + std::to_string(monitor.processId()) + ")\n");

    // Killed outright, the monitor leaves nothing that blocks the next one.
    monitor.kill();
    ASSERT_TRUE(monitor.waitForFinished(20000));
    EXPECT_EQ(second.acquire(), MonitorLock::Outcome::acquired);
    EXPECT_EQ(second.holder(), ::getpid());
}

} // namespace
} // namespace quillo
