#include "InstallerTestSupport.h"
#include "installer/AtomicFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillo {
namespace {

using namespace test;
namespace HI = HookInstaller;
namespace fs = std::filesystem;

bool startsWith(const std::optional<std::string>& text, const std::string& prefix) {
    return text && text->starts_with(prefix);
}

TEST(SettingsWriteSafety, LinksStayLinksAndPermissionsNeverWiden) {
    SettingsFixture f;
    const fs::path real = f.dir / "dotfiles/claude.json";
    fs::create_directories(real.parent_path());
    fs::create_directories(f.path().parent_path());
    writeFile(real, R"({"model":"opus"})");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("../dotfiles/claude.json", f.path()); // relative, as dotfile managers do

    auto plan = installFrom(f);
    EXPECT_EQ(fs::read_symlink(f.path()), "../dotfiles/claude.json");
    EXPECT_EQ(readFile(real), plan.targetText);
    EXPECT_EQ(fileMode(real), 0640u);
    EXPECT_FALSE(fs::is_symlink(*plan.backupPath)); // a copy of the content, beside the link
    EXPECT_EQ(readFile(*plan.backupPath), R"({"model":"opus"})");
    EXPECT_EQ(fileMode(*plan.backupPath), 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(real.parent_path()), {}), 1); // no temporaries

    // A file its owner made read-only is not replaced behind their back.
    ::chmod(real.c_str(), 0444);
    auto refused = HI::apply(HI::computePlan({f.path(), "/elsewhere/QuilloHook"}, fixedTime));
    EXPECT_TRUE(startsWith(refused.errorMessage, "写入 settings.json 失败: "))
        << *refused.errorMessage;
    EXPECT_EQ(readFile(real), plan.targetText);

    // A dangling link gets its target created.
    fs::remove(real);
    auto fresh = installFrom(f);
    EXPECT_TRUE(fresh.willCreateSettingsFile);
    EXPECT_TRUE(fs::is_symlink(f.path()));
    EXPECT_TRUE(HI::validate(f.setup));
}

TEST(SettingsWriteSafety, AFailedBackupWritesNothing) {
    SettingsFixture f;
    f.putFixture("settings-not-json-trailing-comma-and-comment.json");
    auto plan = HI::computePlan(f.setup, fixedTime);
    fs::create_directories(fs::path(*plan.backupPath) / "occupied"); // cannot be replaced

    auto result = HI::apply(plan);
    EXPECT_FALSE(result.success);
    EXPECT_TRUE(startsWith(result.errorMessage, "备份 settings.json 失败: "));
    EXPECT_EQ(f.text(), testData("settings-not-json-trailing-comma-and-comment.json"));
}

TEST(SettingsWriteSafety, WhatCannotBeReadOrCreatedIsReportedNotForced) {
    TempDir dir;
    writeFile(dir / "not-a-folder", "x");
    auto result =
        HI::apply(HI::computePlan({dir / "not-a-folder/.claude/settings.json", "/q/QuilloHook"}));
    EXPECT_TRUE(startsWith(result.errorMessage, "写入 settings.json 失败: "));
    EXPECT_NE(result.errorMessage->find("not-a-folder"), std::string::npos);

    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(AtomicFile::read(dir / "fifo"), std::nullopt); // and does not hang

    // A settings path that is a folder: planned as existing, never written.
    fs::create_directories(dir / ".claude/settings.json");
    auto plan = HI::computePlan({dir / ".claude/settings.json", "/q/QuilloHook"});
    EXPECT_FALSE(plan.willCreateSettingsFile);
    EXPECT_FALSE(HI::apply(plan).success);

    fs::create_symlink("b", dir / "a");
    fs::create_symlink("a", dir / "b");
    EXPECT_NE(AtomicFile::write(dir / "a", "x"), std::nullopt);
}

} // namespace
} // namespace quillo
