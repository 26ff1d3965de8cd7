// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillo {
namespace {

using namespace test;

TEST(SettingsStore, KeepsTypedValuesAsReadableTextInAPrivateFile) {
    TempHome home;
    {
        FileSettingsStore store;
        store.setBoolean("quillo.onboardingCompleted", true);
        store.setStringList("paired.client.displayNames", {"Dana's phone", "a,b \"c\""});
        store.setStringMap("paired.client.tokensByDisplayName", {{"Dana's phone", "t/1"}});
    }
    auto file = home.path() / ".config/quillo/QuilloMac.conf";
    EXPECT_EQ(fileMode(file), 0600u);
    EXPECT_EQ(fileMode(file.parent_path()), 0700u);
    EXPECT_NE(readFile(file).find("true"), std::string::npos);

    FileSettingsStore store;
    EXPECT_TRUE(store.boolean("quillo.onboardingCompleted"));
    EXPECT_FALSE(store.boolean("quillo.firstUseHintShown"));
    EXPECT_EQ(store.stringList("paired.client.displayNames"),
              (QStringList{"Dana's phone", "a,b \"c\""}));
    EXPECT_EQ(store.stringMap("paired.client.tokensByDisplayName")->value("Dana's phone"), "t/1");
    store.remove("quillo.onboardingCompleted");
    EXPECT_EQ(FileSettingsStore().string("quillo.onboardingCompleted"), std::nullopt);
}

TEST(SettingsStore, AnExistingFileOthersCanReadIsNarrowedAtOnce) {
    TempHome home;
    auto file = home.path() / ".config/quillo/QuilloMac.conf";
    std::filesystem::create_directories(file.parent_path());
    writeFile(file, "[General]\nquillo.onboardingCompleted=true\n");
    ::chmod(file.c_str(), 0644);
    FileSettingsStore store; // opened only: nothing written
    EXPECT_EQ(fileMode(file), 0600u);
    EXPECT_TRUE(store.boolean("quillo.onboardingCompleted"));
}

TEST(SettingsStore, ValuesOfTheWrongShapeReadAsAbsent) {
    MemorySettingsStore store;
    store.setString("list", R"({"not":"a list"})");
    store.setString("map", R"({"a":1})");
    store.setString("mixed", R"(["a",2])");
    store.setString("flag", "yes");
    EXPECT_EQ(store.stringList("list"), std::nullopt);
    EXPECT_EQ(store.stringMap("map"), std::nullopt);
    EXPECT_EQ(store.stringList("mixed"), std::nullopt);
    EXPECT_FALSE(store.boolean("flag"));
    EXPECT_EQ(store.stringList("missing"), std::nullopt);
}

} // namespace
} // namespace quillo
