// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClaudeParent.h"
#include "FakeProc.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::FakeProc;

class ClaudeParentTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.add({.pid = 100, .ppid = 1, .comm = "bash", .cmdline = {"-bash"}});
        fake.add({.pid = 200, .ppid = 100, .comm = "claude", .cmdline = {"claude"}});
        fake.add({.pid = 300, .ppid = 200, .comm = "sh", .cmdline = {"/bin/sh", "-c", "\"/opt/q/QuilloHook\"; x"}});
        fake.add({.pid = 301, .ppid = 200, .comm = "bash", .cmdline = {"bash", "--norc", "-lc", "QuilloHook"}});
        fake.add({.pid = 302, .ppid = 200, .comm = "bash", .cmdline = {"bash", "hook.sh", "-c"}});
    }
    FakeProc fake;
};

TEST_F(ClaudeParentTest, SkipsAWrapperShellRunningACommand) {
    EXPECT_EQ(chooseClaudePID(300, std::nullopt, fake.proc()), 200);
    EXPECT_EQ(chooseClaudePID(301, std::nullopt, fake.proc()), 200);
}

TEST_F(ClaudeParentTest, KeepsAParentThatIsNotAWrapperShell) {
    EXPECT_EQ(chooseClaudePID(200, std::nullopt, fake.proc()), 200) << "Claude Code itself";
    EXPECT_EQ(chooseClaudePID(302, std::nullopt, fake.proc()), 302) << "a script, -c is its argument";
    EXPECT_EQ(chooseClaudePID(100, std::nullopt, fake.proc()), 100) << "a login shell";
}

TEST_F(ClaudeParentTest, TrustsClaudePidOnlyWhenItIsAnAncestor) {
    EXPECT_EQ(chooseClaudePID(300, "200", fake.proc()), 200);
    EXPECT_EQ(chooseClaudePID(302, "200", fake.proc()), 200);
    EXPECT_EQ(chooseClaudePID(302, "100", fake.proc()), 100);
    EXPECT_EQ(chooseClaudePID(302, "999", fake.proc()), 302) << "not an ancestor";
    EXPECT_EQ(chooseClaudePID(302, "1", fake.proc()), 302) << "init is never the caller";
    EXPECT_EQ(chooseClaudePID(302, "20x", fake.proc()), 302);
    EXPECT_EQ(chooseClaudePID(300, "", fake.proc()), 200);
}

} // namespace
} // namespace quillo
