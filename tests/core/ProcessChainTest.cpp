// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessChain.h"
#include "FakeProc.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillo {
namespace {

using test::FakeProc;

class ProcessChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.add({.pid = 1, .ppid = 0, .comm = "systemd"});
        fake.add({.pid = 500, .ppid = 1, .comm = "gnome-terminal-"});
        fake.add({.pid = 600, .ppid = 500, .comm = "bash", .ttyNr = FakeProc::ptsDevice(3)});
        // comm may hold spaces and ")": the fields come after the last ")".
        fake.add(
            {.pid = 700, .ppid = 600, .comm = "evil) S 1 (x", .ttyNr = FakeProc::ptsDevice(300)});
        fake.add({.pid = 800, .ppid = 700, .comm = "claude"});
    }
    FakeProc fake;
};

TEST_F(ProcessChainTest, WalksUpToButExcludingTheRootProcess) {
    EXPECT_EQ(ProcessChain::walk(800, 32, fake.proc()),
              (std::vector<std::int32_t>{800, 700, 600, 500}));
    EXPECT_EQ(ProcessChain::walk(800, 1, fake.proc()), (std::vector<std::int32_t>{800}));
    EXPECT_EQ(ProcessChain::walk(800, 0, fake.proc()), (std::vector<std::int32_t>{}));
    EXPECT_TRUE(ProcessChain::walk(1, 32, fake.proc()).empty());
    EXPECT_TRUE(ProcessChain::walk(0, 32, fake.proc()).empty());
    EXPECT_EQ(ProcessChain::walk(4242, 32, fake.proc()), (std::vector<std::int32_t>{4242}))
        << "a pid without a record is a chain of itself";
}

TEST_F(ProcessChainTest, StopsOnACycleInABrokenTree) {
    fake.add({.pid = 900, .ppid = 901, .comm = "a"});
    fake.add({.pid = 901, .ppid = 900, .comm = "b"});
    EXPECT_EQ(ProcessChain::walk(900, 32, fake.proc()), (std::vector<std::int32_t>{900, 901}));
}

TEST_F(ProcessChainTest, ReadsParentAndTerminalDespiteAHostileComm) {
    EXPECT_EQ(ProcessChain::parentPID(700, fake.proc()), 600);
    EXPECT_EQ(ProcessChain::parentPID(500, fake.proc()), 1);
    EXPECT_EQ(ProcessChain::parentPID(4242, fake.proc()), std::nullopt);

    EXPECT_EQ(ProcessChain::ttyName(600, fake.proc()), "/dev/pts/3");
    EXPECT_EQ(ProcessChain::ttyName(700, fake.proc()), "/dev/pts/300");
    EXPECT_EQ(ProcessChain::ttyName(800, fake.proc()), std::nullopt) << "tty_nr 0: no terminal";
}

TEST(ProcessChainReal, WalksThisProcessAndAsksPsWhenProcHasNothing) {
    auto chain = ProcessChain::walk(getpid(), 32);
    ASSERT_GE(chain.size(), 2u);
    EXPECT_EQ(chain[0], getpid());
    EXPECT_EQ(chain[1], getppid());
    EXPECT_EQ(ProcessChain::parentPID(getpid()), getppid());

    // Whatever our terminal, /proc and ps must agree on it.
    EXPECT_EQ(ProcessChain::ttyViaProc(getpid(), ProcFs::system()),
              ProcessChain::ttyViaPS(getpid()));
}

// The kernel numbers pseudo-terminals as major 136 with a minor of N, which
// does not fit the eight bits of the old encoding from /dev/pts/256 on. Real
// terminals get there on busy machines; open enough to have one.
TEST(ProcessChainReal, NamesAPseudoTerminalBeyondTheFirst256AsTheKernelNumbersIt) {
    std::vector<int> masters;
    std::string name;
    while (masters.size() < 2000) {
        int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0) {
            break;
        }
        masters.push_back(master);
        char path[64];
        if (::grantpt(master) == 0 && ::unlockpt(master) == 0 &&
            ::ptsname_r(master, path, sizeof path) == 0 &&
            std::stoi(std::string(path).substr(std::strlen("/dev/pts/"))) >= 256) {
            name = path;
            break;
        }
    }
    auto closeAll = [&masters] {
        for (int fd : masters) {
            ::close(fd);
        }
    };
    if (name.empty()) {
        closeAll();
        GTEST_SKIP() << "could not open a pseudo-terminal numbered 256 or more";
    }

    // A child makes it its controlling terminal, as a shell in a tab does.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        int tty = ::open(name.c_str(), O_RDWR);
        char done = tty >= 0 ? 1 : 0;
        (void)!::write(ready[1], &done, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(ProcessChain::ttyViaProc(child, ProcFs::system()), name);
    EXPECT_EQ(ProcessChain::ttyViaPS(child), name);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    closeAll();
}

TEST(ProcessChainReal, ReadsPsOutputTheWayBothPsFamiliesPrintIt) {
    EXPECT_EQ(ProcessChain::ttyFromPSOutput("pts/3\n"), "/dev/pts/3");
    EXPECT_EQ(ProcessChain::ttyFromPSOutput("  /dev/ttys004 \n"), "/dev/ttys004");
    EXPECT_EQ(ProcessChain::ttyFromPSOutput("?\n"), std::nullopt);
    EXPECT_EQ(ProcessChain::ttyFromPSOutput("??"), std::nullopt);
    EXPECT_EQ(ProcessChain::ttyFromPSOutput(" \n"), std::nullopt);
    EXPECT_EQ(ProcessChain::ttyFromPSOutput("\xff"), std::nullopt);
}

} // namespace
} // namespace quillo
