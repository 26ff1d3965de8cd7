// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;

TEST(ChildProcess, PassesInputAndEnvironmentAndCapturesOutput) {
    auto result =
        ChildProcess::run({"/bin/sh", "-c", "cat; printf \" $QUILLO_X\"; echo err >&2; exit 3"},
                          {.timeLimit = 5s,
                           .standardInput = std::string(200000, 'x'),
                           .captureStandardError = true,
                           .extraEnvironment = {"QUILLO_X=hello"}});
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.standardOutput, std::string(200000, 'x') + " hello");
    EXPECT_EQ(result.standardError, "err\n");
}

TEST(ChildProcess, KillsAChildThatOutlivesItsTimeLimit) {
    auto result = ChildProcess::run({"/bin/sleep", "30"}, {.timeLimit = 200ms});
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.succeeded());

    // Closing its output is not the same as exiting.
    result = ChildProcess::run({"/bin/sh", "-c", "exec >&-; sleep 30"}, {.timeLimit = 200ms});
    EXPECT_TRUE(result.timedOut);
}

// A time-limited shell that started a long command must not leave it behind:
// a hung terminal tool would otherwise pile up with every switch.
TEST(ChildProcess, ATimedOutChildTakesWhatItStartedWithIt) {
    test::TempDir dir;
    const std::string pidFile = dir / "sleeper.pid";
    // The limit grows until the shell got as far as starting the sleeper, so
    // a slow machine only makes the test longer.
    std::optional<pid_t> sleeper;
    for (auto limit : {200ms, 1000ms, 5000ms}) {
        auto result = ChildProcess::run(
            {"/bin/sh", "-c", "sleep 30 & echo $! > " + pidFile + "; wait"}, {.timeLimit = limit});
        ASSERT_TRUE(result.timedOut);
        if (std::string text = test::readFile(pidFile); text.ends_with('\n')) {
            sleeper = std::stoi(text);
            break;
        }
    }
    ASSERT_TRUE(sleeper.has_value()) << "the shell never started its command";

    // Killed means gone or a zombie awaiting its new parent: the pidfd of a
    // process that has ended is readable.
    int fd = static_cast<int>(::syscall(SYS_pidfd_open, *sleeper, 0));
    if (fd < 0) {
        ASSERT_EQ(errno, ESRCH);
        return;
    }
    pollfd ended{fd, POLLIN, 0};
    bool gone = ::poll(&ended, 1, 10000) == 1;
    ::close(fd);
    if (!gone) {
        ::kill(*sleeper, SIGKILL);
    }
    EXPECT_TRUE(gone) << "the shell's child outlived it";
}

TEST(ChildProcess, ReportsAProgramThatCannotStart) {
    auto result = ChildProcess::run({"/nonexistent/quillo-program"});
    EXPECT_FALSE(result.started);
    // A child that ignores its input must not kill us with SIGPIPE.
    result = ChildProcess::run({"/bin/true"}, {.standardInput = std::string(1 << 20, 'y')});
    EXPECT_TRUE(result.succeeded());
}

} // namespace
} // namespace quillo
