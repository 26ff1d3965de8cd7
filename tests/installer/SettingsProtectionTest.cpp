// SPDX-License-Identifier: GPL-3.0-or-later
// The user's own settings come first: a file that cannot be read as JSON is
// refused rather than replaced, a plan is applied only to the text it was made
// from, and a write that fails leaves no backup behind.
#include "InstallerTestSupport.h"
#include "installer/AtomicFile.h"
#include "installer/HookHealthMonitor.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace quillo {
namespace {

using namespace test;
namespace HI = HookInstaller;
namespace fs = std::filesystem;

// What people really have: permissions, their own hooks, a trailing comma.
const std::string userSettings = R"json({
  "model": "opus",
  "permissions": {
    "deny": ["Read(./.env)"],
  },
  "hooks": {"Stop": [{"matcher": "", "hooks": [{"type": "command", "command": "notify-send done"}]}]}
})json";

std::size_t filesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(SettingsProtection, AFileThatIsNotJsonIsRefusedWithWhereItIsBroken) {
    struct Case {
        std::string text;
        HI::Plan::Refusal refusal;
        std::string where; // what the message says after the path
    };
    for (const Case& c : {
             Case{userSettings, HI::Plan::Refusal::notJson, " 不是有效的 JSON: 第 5 行第 3 列有误"},
             Case{testData("settings-not-json-trailing-comma-and-comment.json"),
                  HI::Plan::Refusal::notJson, " 不是有效的 JSON: 第 2 行第 3 列有误"},
             // Columns count characters, not bytes.
             Case{"{\"名字\": \"值\" x}", HI::Plan::Refusal::notJson,
                  " 不是有效的 JSON: 第 1 行第 12 列有误"},
             Case{"{\n  \"model\": \"op\xff\"\n}", HI::Plan::Refusal::notUtf8,
                  " 第 2 行第 15 列不是 UTF-8 文本"},
             Case{"[\"Read(./.env)\"]", HI::Plan::Refusal::notAnObject, " 的内容不是 JSON 对象"},
         }) {
        SCOPED_TRACE(c.text);
        SettingsFixture f;
        f.put(c.text);
        const HI::Plan plan = HI::computePlan(f.setup, fixedTime);
        EXPECT_EQ(plan.refusal, c.refusal);
        EXPECT_FALSE(plan.isNoOp);
        const std::string message = HI::refusalMessage(plan);
        EXPECT_TRUE(message.starts_with(f.path().string() + c.where)) << message;
        EXPECT_EQ(HI::unreadableSettings(f.path()), message);

        std::ostringstream out;
        EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
        EXPECT_EQ(out.str(), "[quillo] 安装失败: " + message + "\n");
        EXPECT_EQ(HI::apply(plan).errorMessage, message);
        EXPECT_EQ(f.text(), c.text);
        EXPECT_EQ(filesIn(f.path().parent_path()), 1u) << "no backup of a file left alone";
    }
}

TEST(SettingsProtection, AnEmptyOrMissingFileIsAFreshStart) {
    for (const char* text : {"", "\n  \n"}) {
        SettingsFixture f;
        f.put(text);
        EXPECT_EQ(HI::unreadableSettings(f.path()), std::nullopt);
        installFrom(f);
        EXPECT_TRUE(HI::validate(f.setup));
    }
    SettingsFixture missing;
    EXPECT_EQ(HI::unreadableSettings(missing.path()), std::nullopt);
    EXPECT_FALSE(HI::computePlan(missing.setup).refused());
}

TEST(SettingsProtection, TheHealthMonitorSaysTheFileNeedsTheUsersAttention) {
    SettingsFixture f;
    MemorySettingsStore store;
    store.setBoolean("quillo.onboardingCompleted", true);
    HookHealthMonitor monitor(
        store, [&] { return HI::validate(f.setup); }, nullptr,
        [&] { return HI::unreadableSettings(f.path()); });
    auto check = [&] {
        monitor.checkNow();
        return waitFor([&] { return !monitor.isChecking(); });
    };
    f.put(userSettings);
    ASSERT_TRUE(check());
    EXPECT_TRUE(monitor.hasError());
    EXPECT_TRUE(monitor.attention().startsWith(QString::fromStdString(f.path().string())))
        << monitor.attention().toStdString();

    // Merely missing entries are a repair, not the user's to fix.
    f.put(R"({"model": "opus"})");
    ASSERT_TRUE(check());
    EXPECT_TRUE(monitor.hasError());
    EXPECT_TRUE(monitor.attention().isEmpty());
}

TEST(SettingsProtection, AStalePlanIsNotAppliedOverNewerChanges) {
    SettingsFixture f;
    f.put(R"({"model": "opus", "permissions": {"allow": []}})");
    const HI::Plan plan = HI::computePlan(f.setup, fixedTime);
    // Claude Code (or the user) changes the file while the preview is open.
    const std::string newer =
        R"json({"model": "sonnet", "permissions": {"allow": ["Bash(git status)"]}})json";
    f.put(newer);
    HI::ApplyResult result = HI::apply(plan);
    EXPECT_FALSE(result.success);
    EXPECT_TRUE(result.fileChanged);
    EXPECT_EQ(f.text(), newer);
    EXPECT_EQ(filesIn(f.path().parent_path()), 1u) << "no backup for a write not made";

    // A new plan keeps the change.
    installFrom(f);
    EXPECT_EQ(f.json()["model"], "sonnet");
    EXPECT_EQ(f.json()["permissions"]["allow"][0], "Bash(git status)");

    // A plan made for a missing file does not replace one created since, and
    // the up-to-date plan is no exception.
    SettingsFixture fresh;
    const HI::Plan create = HI::computePlan(fresh.setup, fixedTime);
    fresh.put(R"({"model": "haiku"})");
    EXPECT_TRUE(HI::apply(create).fileChanged);
    EXPECT_EQ(fresh.text(), R"({"model": "haiku"})");
    installFrom(fresh);
    const HI::Plan upToDate = HI::computePlan(fresh.setup, fixedTime);
    ASSERT_TRUE(upToDate.isNoOp);
    fs::remove(fresh.path());
    EXPECT_TRUE(HI::apply(upToDate).fileChanged);
    EXPECT_FALSE(fs::exists(fresh.path()));
}

TEST(SettingsProtection, TheWriteComparesAgainAtTheLastMoment) {
    TempDir dir;
    const fs::path file = dir / "settings.json";
    writeFile(file, "old");
    EXPECT_EQ(AtomicFile::writeIfUnchanged(file, "new", std::string_view("other")).outcome,
              AtomicFile::Outcome::changed);
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(AtomicFile::writeIfUnchanged(file, "new", std::nullopt).outcome,
              AtomicFile::Outcome::changed);
    EXPECT_EQ(AtomicFile::writeIfUnchanged(file, "new", std::string_view("old")).outcome,
              AtomicFile::Outcome::written);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(AtomicFile::writeIfUnchanged(dir / "fresh", "x", std::nullopt).outcome,
              AtomicFile::Outcome::written);
    EXPECT_EQ(filesIn(dir.path()), 2u) << "no temporary file left";
}

TEST(SettingsProtection, FailedWritesLeaveNoBackups) {
    SettingsFixture f;
    f.put(R"({"model": "opus"})");
    ::chmod(f.path().c_str(), 0444); // the owner made it read-only
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto result = HI::apply(HI::computePlan(f.setup, fixedTime));
        EXPECT_FALSE(result.success);
        EXPECT_TRUE(result.errorMessage->starts_with("写入 settings.json 失败: "));
        EXPECT_EQ(result.backupPath, std::nullopt);
    }
    EXPECT_EQ(filesIn(f.path().parent_path()), 1u);
    EXPECT_EQ(f.text(), R"({"model": "opus"})");
}

} // namespace
} // namespace quillo
