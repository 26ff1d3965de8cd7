// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstallerTestSupport.h"
#include "installer/AtomicFile.h"

#include <gtest/gtest.h>

#include <sstream>
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

TEST(SettingsWriteSafety, AFileReplacedByOneThatCannotBeCopiedIsLeftAlone) {
    SettingsFixture f;
    f.put(R"({"model": "opus"})");
    auto plan = HI::computePlan(f.setup, fixedTime);
    // Replaced by something that cannot be copied since the plan was made.
    fs::remove(f.path());
    ASSERT_EQ(::mkfifo(f.path().c_str(), 0600), 0);

    auto result = HI::apply(plan);
    EXPECT_FALSE(result.success);
    EXPECT_TRUE(result.fileChanged);
    EXPECT_EQ(fs::status(f.path()).type(), fs::file_type::fifo);
    EXPECT_FALSE(fs::exists(*plan.backupPath));
}

// Installs in the same second must not replace an earlier backup, which may
// be the only copy of the text before the first install.
TEST(SettingsWriteSafety, ABackupIsNeverReplaced) {
    SettingsFixture f;
    const std::string original = R"({"model": "opus"})";
    f.put(original);
    auto first = installFrom(f);
    for (auto recorder : {"/second/QuilloHook", "/third/QuilloHook"}) {
        auto result = HI::apply(HI::computePlan({f.path(), recorder}, fixedTime));
        ASSERT_TRUE(result.success) << result.errorMessage.value_or("");
    }
    EXPECT_EQ(readFile(*first.backupPath), original);
    const std::string base = f.path().string() + ".quillo-backup-1765000000";
    EXPECT_EQ(*first.backupPath, base);
    EXPECT_TRUE(fs::exists(base + "-2"));
    EXPECT_NE(readFile(base + "-3").find("second\\/QuilloHook"), std::string::npos);

    // A name taken between the plan and its application moves the backup on.
    auto plan = HI::computePlan({f.path(), "/fourth/QuilloHook"}, fixedTime);
    writeFile(*plan.backupPath, "someone else's file");
    auto result = HI::apply(plan);
    ASSERT_TRUE(result.success);
    EXPECT_EQ(readFile(*plan.backupPath), "someone else's file");
    EXPECT_EQ(result.backupPath, base + "-5");
}

// Valid JSON to Claude Code (which reads it with JavaScript) that the parser
// cannot hold: it is neither treated as "not JSON" and replaced, nor written
// back with its values changed.
TEST(SettingsWriteSafety, JsonWhoseValuesCannotBeKeptIsLeftAlone) {
    for (const std::string original :
         {R"({"env": {"NOTE": "cut \ud83d"}, "hooks": {}})", R"({"timeout": 1e400})",
          R"({"a": "\udc00 then \ud800\u0041"})", R"({"id": 123456789012345678901234567890})",
          R"({"min": -1E+999, "ok": "\ud83d\ude00"})"}) {
        SCOPED_TRACE(original);
        SettingsFixture f;
        f.put(original);
        std::ostringstream out;
        EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
        EXPECT_EQ(out.str(), "[quillo] 安装失败: settings.json 含有无法原样保留的值 "
                             "(如单独的代理项转义或超出范围的数字), 未做任何修改\n");
        EXPECT_EQ(f.text(), original);
        EXPECT_EQ(std::distance(fs::directory_iterator(f.path().parent_path()), {}), 1)
            << "no backup of a file that was not touched";
    }
    // Escapes that look alike but are not lone surrogates change nothing.
    SettingsFixture f;
    f.put(R"({"path": "C:\\ud800", "pair": "\uD83D\uDE00", "big": 18446744073709551615,)"
          R"( "small": -9223372036854775808, "x": 1.5e300})");
    installFrom(f);
    EXPECT_EQ(f.json()["path"], "C:\\ud800");
    EXPECT_EQ(f.json()["big"], 18446744073709551615ull);
}

// The pretty form indents by depth: a deeply nested file must not come back
// hundreds of times its size (and take minutes and gigabytes to write).
TEST(SettingsWriteSafety, AFileThatWouldBalloonIsNotRewritten) {
    SettingsFixture f;
    std::string deep = std::string(400, '[') + std::string(2000, '1') + std::string(400, ']');
    for (std::size_t i = 401; i < 400 + 2000 - 1; i += 2) {
        deep[i] = ',';
    }
    const std::string original = R"({"hooks": {}, "deep": )" + deep + "}";
    f.put(original);
    std::ostringstream out;
    EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
    EXPECT_EQ(out.str(), "[quillo] 安装失败: settings.json 嵌套过深, 重写后会远大于原文件, "
                         "未做任何修改\n");
    EXPECT_EQ(f.text(), original);

    // Uninstalling rewrites the file too, with the same limit.
    f.put(R"({"hooks": {"Stop": [{"hooks": [{"command": "\"/q/QuilloHook\""}]}]}, "deep": )" +
          deep + "}");
    const std::string withOwnGroup = f.text();
    EXPECT_EQ(runUninstall(f, false),
              "[quillo] settings.json 嵌套过深, 重写后会远大于原文件, 未做任何修改\n");
    EXPECT_EQ(f.text(), withOwnGroup);

    // An ordinary file written on one line grows, but is written.
    f.put(R"json({"permissions":{"allow":["Bash(ls:*)","Read(/etc/**)"]},"model":"opus"})json");
    installFrom(f);
    EXPECT_TRUE(HI::validate(f.setup));
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
