// The hook modes of the real QuilloMac binary, with HOME at a temporary folder.
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

ChildProcess::Result runMonitor(const TempHome& home, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), monitorBinary.string());
    // No display: the modes must not need one.
    auto env = home.environment();
    env.push_back("DISPLAY=");
    env.push_back("WAYLAND_DISPLAY=");
    return ChildProcess::run(arguments, {.timeLimit = std::chrono::seconds(60),
                                         .captureStandardError = true,
                                         .extraEnvironment = env});
}

std::vector<fs::path> backupsIn(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("settings.json.quillo-backup-")) {
            found.push_back(entry.path());
        }
    }
    return found;
}

std::string installedLines(const fs::path& settings) {
    return "[quillo] hook 已安装 -> " + settings.string() +
           "\n[quillo] 二进制路径: " + recorderPath +
           "\n[quillo] 订阅事件: SessionStart, UserPromptSubmit, PreToolUse, Stop, "
           "Notification, SessionEnd\n";
}

TEST(HookCommandLine, InstallTwiceThenUninstall) {
    TempHome home;
    const fs::path settings = home.path() / ".claude/settings.json";

    auto first = runMonitor(home, {"--install-hook"});
    ASSERT_TRUE(first.succeeded()) << first.standardError;
    EXPECT_EQ(first.standardOutput, installedLines(settings));
    const std::string written = readFile(settings);
    json root = json::parse(written);
    const std::string command = "\"" + recorderPath + "\"";
    for (const char* event :
         {"SessionStart", "UserPromptSubmit", "PreToolUse", "Stop", "Notification", "SessionEnd"}) {
        ASSERT_EQ(root["hooks"][event].size(), 1u) << event;
        EXPECT_EQ(root["hooks"][event][0]["hooks"][0]["command"], command);
    }

    auto second = runMonitor(home, {"--install-hook"});
    ASSERT_TRUE(second.succeeded()) << second.standardError;
    EXPECT_EQ(second.standardOutput, installedLines(settings));
    EXPECT_EQ(readFile(settings), written);

    auto removed = runMonitor(home, {"--uninstall-hook"});
    ASSERT_TRUE(removed.succeeded()) << removed.standardError;
    EXPECT_EQ(removed.standardOutput, "[quillo] 已从 settings.json 移除 6 条 hook 条目\n");
    EXPECT_EQ(readFile(settings), "{}");
}

TEST(HookCommandLine, UninstallLeavesOtherToolsEntriesAsTheyWere) {
    TempHome home;
    const fs::path settings = home.path() / ".claude/settings.json";
    fs::create_directories(settings.parent_path());
    const std::string original = testData("settings-foreign-groups-under-stop-and-pretooluse.json");
    writeFile(settings, original);

    auto installed = runMonitor(home, {"--install-hook"});
    ASSERT_TRUE(installed.succeeded()) << installed.standardError;
    const auto backups = backupsIn(settings.parent_path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(installed.standardOutput, "[quillo] 即将备份 settings.json -> " +
                                            backups[0].string() + "\n" + installedLines(settings));
    EXPECT_EQ(readFile(backups[0]), original);

    auto removed = runMonitor(home, {"--uninstall-hook"});
    ASSERT_TRUE(removed.succeeded());
    EXPECT_EQ(removed.standardOutput, "[quillo] 已从 settings.json 移除 6 条 hook 条目\n");
    EXPECT_EQ(json::parse(readFile(settings)), json::parse(original));

    auto again = runMonitor(home, {"--uninstall-hook"});
    EXPECT_EQ(again.standardOutput, "[quillo] 已从 settings.json 移除 0 条 hook 条目\n");
}

TEST(HookCommandLine, ModesAreTriedInOrderAndPrintHookPathPrintsOneLine) {
    TempHome home;
    auto path = runMonitor(home, {"--print-hook-path"});
    EXPECT_TRUE(path.succeeded());
    EXPECT_EQ(path.standardOutput, recorderPath + "\n");
    EXPECT_TRUE(fs::exists(recorderPath));

    auto missing = runMonitor(home, {"--uninstall-hook", "--print-hook-path"});
    EXPECT_TRUE(missing.succeeded());
    EXPECT_EQ(missing.standardOutput, "[quillo] 未找到 " +
                                          (home.path() / ".claude/settings.json").string() +
                                          ",无需清理\n");

    auto both = runMonitor(home, {"--uninstall-hook", "--install-hook"});
    EXPECT_TRUE(both.succeeded());
    EXPECT_EQ(both.standardOutput, installedLines(home.path() / ".claude/settings.json"));
}

TEST(HookCommandLine, ASymlinkedSettingsFileStaysALink) {
    TempHome home;
    const fs::path settings = home.path() / ".claude/settings.json";
    const fs::path real = home.path() / "dotfiles/claude/settings.json";
    fs::create_directories(real.parent_path());
    fs::create_directories(settings.parent_path());
    writeFile(real, testData("settings-marker-stripped.json"));
    fs::create_symlink(real, settings);

    auto installed = runMonitor(home, {"--install-hook"});
    ASSERT_TRUE(installed.succeeded()) << installed.standardError;
    ASSERT_TRUE(fs::is_symlink(settings));
    EXPECT_EQ(fs::read_symlink(settings), real);
    json root = json::parse(readFile(real));
    EXPECT_EQ(root["hooks"]["Stop"].size(), 2u); // the foreign group and one own group
    EXPECT_EQ(root["hooks"]["Stop"][1]["hooks"][0]["command"], "\"" + recorderPath + "\"");

    auto removed = runMonitor(home, {"--uninstall-hook"});
    EXPECT_EQ(removed.standardOutput, "[quillo] 已从 settings.json 移除 6 条 hook 条目\n");
    EXPECT_TRUE(fs::is_symlink(settings));
}

TEST(HookCommandLine, AReadOnlyFolderFailsLoudlyAndChangesNothing) {
    TempHome home;
    const fs::path folder = home.path() / ".claude";
    fs::create_directories(folder);
    const std::string original = testData("settings-foreign-groups-under-stop-and-pretooluse.json");
    writeFile(folder / "settings.json", original);

    ChildProcess::Result result;
    if (::geteuid() == 0) {
        // Root ignores permission bits; a read-only bind mount in a private
        // mount namespace is read-only for root too.
        auto probe = ChildProcess::run({"unshare", "--mount", "true"});
        if (!probe.succeeded()) {
            GTEST_SKIP() << "cannot create a mount namespace here";
        }
        auto env = home.environment();
        result = ChildProcess::run(
            {"unshare", "--mount", "sh", "-c",
             "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && exec \"$2\" "
             "--install-hook",
             "sh", folder.string(), monitorBinary.string()},
            {.timeLimit = std::chrono::seconds(60),
             .captureStandardError = true,
             .extraEnvironment = env});
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        result = runMonitor(home, {"--install-hook"});
    }
    EXPECT_EQ(result.exitCode, 1) << result.standardError;
    EXPECT_NE(result.standardOutput.find("[quillo] 安装失败: 备份 settings.json 失败: "),
              std::string::npos)
        << result.standardOutput << result.standardError;
    EXPECT_EQ(result.standardOutput.find("hook 已安装"), std::string::npos);
    EXPECT_EQ(readFile(folder / "settings.json"), original);
    EXPECT_TRUE(backupsIn(folder).empty());
}

} // namespace
} // namespace quillo
