// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DescriptorLimit.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(DescriptorLimit, TheSoftLimitIsRaisedToTheHardOne) {
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
    if (original.rlim_max < 64) {
        GTEST_SKIP() << "a hard limit too small to lower the soft one below it";
    }
    rlimit lowered = original;
    lowered.rlim_cur = 32; // a flood's worth of descriptors away from nothing
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);

    EXPECT_EQ(raiseDescriptorLimit(), original.rlim_max);
    rlimit now{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &now), 0);
    EXPECT_EQ(now.rlim_cur, original.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &original);
}

} // namespace
} // namespace quillo
