// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
    // Tests talk to child processes through pipes; a child that exits early must
    // not take the test runner down with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
