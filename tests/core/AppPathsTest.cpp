// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppPaths.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillo {
namespace {

using test::fileMode;
using test::TempHome;

TEST(AppPaths, FollowsXdgAndFallsBackToHomeForRelativeOrMissingValues) {
    TempHome home;
    EXPECT_EQ(AppPaths::eventsLogFile(), home.path() / ".local/share/quillo/events.jsonl");

    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(AppPaths::appSupportDirectory(), "/srv/data/quillo");
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(AppPaths::appSupportDirectory(), home.path() / ".local/share/quillo");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AppPaths::configDirectory(), home.path() / ".config/quillo");
}

TEST(AppPaths, EnsureCreatesOrTightensThePrivateDirectory) {
    TempHome home;
    auto dir = AppPaths::appSupportDirectory();
    ASSERT_FALSE(std::filesystem::exists(dir));
    EXPECT_TRUE(AppPaths::ensureAppSupportDirectory());
    EXPECT_EQ(fileMode(dir), 0700u);

    std::filesystem::permissions(dir, std::filesystem::perms(0755));
    EXPECT_TRUE(AppPaths::ensureAppSupportDirectory());
    EXPECT_EQ(fileMode(dir), 0700u);
}

TEST(AppPaths, EnsureFailsQuietlyWhereAFileBlocksTheDirectory) {
    TempHome home;
    auto dir = AppPaths::appSupportDirectory();
    std::filesystem::create_directories(dir.parent_path());
    test::writeFile(dir, "not a folder");
    EXPECT_FALSE(AppPaths::ensureAppSupportDirectory());
}

} // namespace
} // namespace quillo
