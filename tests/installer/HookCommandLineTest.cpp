// SPDX-License-Identifier: GPL-3.0-or-later
// The hook modes of the real QuilloMac binary, with HOME at a temporary folder
// and no display.
#include "ChildProcess.h"
#include "TempDir.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
namespace fs = std::filesystem;
using nlohmann::json;

const fs::path monitorBinary = QUILLO_MAC_BINARY;
const std::string recorderPath = (monitorBinary.parent_path() / "QuilloHook").string();

struct CommandLineFixture : ::testing::Test {
    TempHome home;
    fs::path settings = home.path() / ".claude/settings.json";
    // The only Claude Code on the search path: one that knows PermissionRequest
    // and PostToolUse but not PostToolUseFailure or StopFailure.
    fs::path claudeFolder = home.path() / "bin";

    CommandLineFixture() {
        fs::create_directories(claudeFolder);
        writeFile(claudeFolder / "claude", "#!/bin/sh\necho '2.0.50 (Claude Code)'\n");
        fs::permissions(claudeFolder / "claude", fs::perms::owner_all);
    }

    // The lines are compared in Chinese, the source language; `language` is
    // the system's.
    ChildProcess::Result run(std::vector<std::string> arguments,
                             std::vector<std::string> prefix = {},
                             const std::string& language = "zh_CN.UTF-8") {
        arguments.insert(arguments.begin(), monitorBinary.string());
        arguments.insert(arguments.begin(), prefix.begin(), prefix.end());
        auto env = home.environment();
        env.insert(env.end(),
                   {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=",
                    "PATH=" + claudeFolder.string() + ":/usr/bin:/bin", "LANG=" + language,
                    "LC_ALL=", "LC_MESSAGES=", "LANGUAGE=", "SHELL=/bin/sh"});
        return ChildProcess::run(arguments, {.timeLimit = std::chrono::seconds(60),
                                             .captureStandardError = true,
                                             .extraEnvironment = env});
    }
    std::string installed() const {
        return "[quillo] hook 已安装 -> " + settings.string() +
               "\n[quillo] 二进制路径: " + recorderPath +
               "\n[quillo] 订阅事件: SessionStart, UserPromptSubmit, PreToolUse, Stop, "
               "Notification, SessionEnd, PermissionRequest, PostToolUse"
               "\n[quillo] Claude Code 版本: 2.0.50\n";
    }
    std::vector<fs::path> backups() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(settings.parent_path())) {
            if (entry.path().filename().string().starts_with("settings.json.quillo-backup-")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }
};

TEST_F(CommandLineFixture, InstallIsIdempotentAndUninstallLeavesOtherToolsAlone) {
    fs::create_directories(settings.parent_path());
    const std::string original = testData("settings-foreign-groups-under-stop-and-pretooluse.json");
    writeFile(settings, original);

    auto first = run({"--install-hook"});
    ASSERT_TRUE(first.succeeded()) << first.standardError;
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_EQ(first.standardOutput,
              "[quillo] 即将备份 settings.json -> " + backups()[0].string() + "\n" + installed());
    const std::string written = readFile(settings);
    EXPECT_EQ(json::parse(written)["hooks"]["Notification"][0]["hooks"][0]["command"],
              "\"" + recorderPath + "\"");

    auto second = run({"--install-hook"});
    EXPECT_EQ(second.standardOutput, installed()); // a no-op announces no backup
    EXPECT_EQ(readFile(settings), written);

    auto removed = run({"--uninstall-hook"});
    EXPECT_TRUE(removed.succeeded());
    EXPECT_EQ(removed.standardOutput, "[quillo] 已从 settings.json 移除 8 条 hook 条目\n");
    EXPECT_EQ(json::parse(readFile(settings)), json::parse(original));
}

TEST_F(CommandLineFixture, ModesAreTriedInOrder) {
    auto path = run({"--print-hook-path"});
    EXPECT_TRUE(path.succeeded());
    EXPECT_EQ(path.standardOutput, recorderPath + "\n");

    auto both = run({"--uninstall-hook", "--install-hook"});
    EXPECT_TRUE(both.succeeded());
    EXPECT_EQ(both.standardOutput, installed());
    EXPECT_EQ(json::parse(readFile(settings))["hooks"].size(), 8u);
}

TEST_F(CommandLineFixture, ASymlinkedSettingsFileStaysALink) {
    const fs::path real = home.path() / "dotfiles/claude-settings.json";
    fs::create_directories(real.parent_path());
    fs::create_directories(settings.parent_path());
    writeFile(real, testData("settings-marker-stripped.json"));
    fs::create_symlink(real, settings);

    ASSERT_TRUE(run({"--install-hook"}).succeeded());
    EXPECT_EQ(fs::read_symlink(settings), real);
    EXPECT_EQ(json::parse(readFile(real))["hooks"]["Stop"].size(), 2u); // no duplicate
    EXPECT_EQ(run({"--uninstall-hook"}).standardOutput,
              "[quillo] 已从 settings.json 移除 8 条 hook 条目\n");
    EXPECT_TRUE(fs::is_symlink(settings));
}

TEST_F(CommandLineFixture, AReadOnlyFolderFailsLoudlyAndChangesNothing) {
    fs::create_directories(settings.parent_path());
    const std::string original = testData("settings-legacy-marker.json");
    writeFile(settings, original);
    ChildProcess::Result result;
    if (::geteuid() == 0) {
        // Root ignores permission bits, not a read-only bind mount in a private
        // mount namespace.
        if (!ChildProcess::run({"unshare", "--mount", "true"}).succeeded()) {
            GTEST_SKIP() << "cannot create a mount namespace here";
        }
        result =
            run({"--install-hook"},
                {"unshare", "--mount", "sh", "-c",
                 "mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\" && exec \"$@\"",
                 settings.parent_path().string()});
    } else {
        fs::permissions(settings.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
        result = run({"--install-hook"});
    }
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_NE(result.standardOutput.find("\n[quillo] 安装失败: 备份 settings.json 失败: "),
              std::string::npos)
        << result.standardOutput << result.standardError;
    EXPECT_EQ(result.standardOutput.find("已安装"), std::string::npos);
    EXPECT_EQ(readFile(settings), original);
    EXPECT_TRUE(backups().empty());
}

// One trailing comma, as people type: the file keeps the user's rules and
// their own hooks, and scripts see the failure.
TEST_F(CommandLineFixture, AFileThatIsNotJsonIsRefusedWithItsLineAndColumn) {
    fs::create_directories(settings.parent_path());
    const std::string original =
        "{\n  \"permissions\": {\n    \"deny\": [\"Read(./.env)\"],\n  },\n"
        "  \"hooks\": {}\n}\n";
    writeFile(settings, original);
    auto result = run({"--install-hook"});
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_EQ(result.standardOutput, "[quillo] 安装失败: " + settings.string() +
                                         " 不是有效的 JSON: 第 4 行第 3 列有误。请先修正这个文件, "
                                         "未做任何修改\n");
    EXPECT_EQ(readFile(settings), original);
    EXPECT_TRUE(backups().empty());

    // In the user's language.
    auto english = run({"--install-hook"}, {}, "en_GB.UTF-8");
    EXPECT_EQ(english.exitCode, 1);
    EXPECT_EQ(english.standardOutput,
              "[quillo] Install failed: " + settings.string() +
                  " is not valid JSON: error at line 4, column 3. Fix the file first; nothing "
                  "was changed\n");
}

TEST_F(CommandLineFixture, TheLinesComeInTheSystemsLanguage) {
    auto english = run({"--install-hook"}, {}, "");
    ASSERT_TRUE(english.succeeded()) << english.standardError;
    EXPECT_EQ(english.standardOutput,
              "[quillo] Hook installed -> " + settings.string() +
                  "\n[quillo] Recorder: " + recorderPath +
                  "\n[quillo] Events: SessionStart, UserPromptSubmit, PreToolUse, Stop, "
                  "Notification, SessionEnd, PermissionRequest, PostToolUse"
                  "\n[quillo] Claude Code version: 2.0.50\n");
    EXPECT_EQ(run({"--uninstall-hook"}, {}, "").standardOutput,
              "[quillo] Removed 8 hook entries from settings.json\n");
}

} // namespace
} // namespace quillo
