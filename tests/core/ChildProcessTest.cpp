#include "ChildProcess.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;

TEST(ChildProcess, PassesInputAndEnvironmentAndCapturesOutput) {
    auto result = ChildProcess::run({"/bin/sh", "-c", "cat; printf \" $QUILLO_X\"; echo err >&2; exit 3"},
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

TEST(ChildProcess, ReportsAProgramThatCannotStart) {
    auto result = ChildProcess::run({"/nonexistent/quillo-program"});
    EXPECT_FALSE(result.started);
    // A child that ignores its input must not kill us with SIGPIPE.
    result = ChildProcess::run({"/bin/true"}, {.standardInput = std::string(1 << 20, 'y')});
    EXPECT_TRUE(result.succeeded());
}

} // namespace
} // namespace quillo
