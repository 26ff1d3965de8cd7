#include "InstallerTestSupport.h"
#include "installer/AtomicFile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
namespace HI = HookInstaller;
namespace fs = std::filesystem;

const Timestamp fixedTime = timestampFromSeconds(1765000000);

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SettingsWriteSafety, ASymlinkedSettingsFileStaysALink) {
    SettingsFixture f;
    fs::create_directories(f.dir / "dotfiles");
    fs::create_directories(f.path().parent_path());
    writeFile(f.dir / "dotfiles/claude.json", R"({"model":"opus"})");
    ::chmod((f.dir / "dotfiles/claude.json").c_str(), 0640);
    fs::create_symlink("../dotfiles/claude.json", f.path()); // relative, as dotfile managers do

    auto plan = HI::computePlan(f.setup, fixedTime);
    EXPECT_FALSE(plan.willCreateSettingsFile);
    ASSERT_TRUE(HI::apply(plan).success);

    EXPECT_TRUE(fs::is_symlink(f.path()));
    EXPECT_EQ(fs::read_symlink(f.path()), "../dotfiles/claude.json");
    EXPECT_EQ(readFile(f.dir / "dotfiles/claude.json"), plan.targetText);
    EXPECT_EQ(fileMode(f.dir / "dotfiles/claude.json"), 0640u);
    // The backup is a copy of the content beside the link, never wider.
    EXPECT_FALSE(fs::is_symlink(*plan.backupPath));
    EXPECT_EQ(readFile(*plan.backupPath), R"({"model":"opus"})");
    EXPECT_EQ(fileMode(*plan.backupPath), 0640u);
    EXPECT_EQ(folderEntries(f.dir / "dotfiles"), std::vector<std::string>{"claude.json"});

    std::ostringstream out;
    ASSERT_TRUE(HI::uninstall(f.setup, out));
    EXPECT_TRUE(fs::is_symlink(f.path()));
    EXPECT_EQ(readFile(f.dir / "dotfiles/claude.json"), R"({
  "model" : "opus"
})");

    // A dangling link gets its target created.
    fs::remove(f.dir / "dotfiles/claude.json");
    auto fresh = HI::computePlan(f.setup, fixedTime);
    EXPECT_TRUE(fresh.willCreateSettingsFile);
    ASSERT_TRUE(HI::apply(fresh).success);
    EXPECT_TRUE(fs::is_symlink(f.path()));
    EXPECT_TRUE(HI::validate(f.setup));
}

TEST(SettingsWriteSafety, PermissionBitsAreKeptAndNoTemporaryFilesRemain) {
    SettingsFixture f;
    f.put("{}");
    ::chmod(f.path().c_str(), 0640);
    ASSERT_TRUE(HI::apply(HI::computePlan(f.setup, fixedTime)).success);
    EXPECT_EQ(fileMode(f.path()), 0640u);
    EXPECT_EQ(
        folderEntries(f.path().parent_path()),
        (std::vector<std::string>{"settings.json", "settings.json.quillo-backup-1765000000"}));

    // A file its owner made read-only is not replaced behind their back.
    ::chmod(f.path().c_str(), 0444);
    const std::string before = f.text();
    auto result = HI::apply(HI::computePlan({f.path(), "/elsewhere/QuilloHook"}, fixedTime));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.errorMessage->rfind("写入 settings.json 失败: ", 0), 0u)
        << *result.errorMessage;
    EXPECT_EQ(f.text(), before);
    EXPECT_EQ(fileMode(f.path()), 0444u);
}

TEST(SettingsWriteSafety, AFailedBackupWritesNothing) {
    SettingsFixture f;
    f.putFixture("settings-not-json-trailing-comma-and-comment.json");
    auto plan = HI::computePlan(f.setup, fixedTime);
    // Something that cannot be replaced sits where the backup goes.
    fs::create_directories(fs::path(*plan.backupPath) / "occupied");

    auto result = HI::apply(plan);
    EXPECT_FALSE(result.success);
    ASSERT_TRUE(result.errorMessage);
    EXPECT_EQ(result.errorMessage->rfind("备份 settings.json 失败: ", 0), 0u)
        << *result.errorMessage;
    EXPECT_EQ(f.text(), testData("settings-not-json-trailing-comma-and-comment.json"));

    std::ostringstream out;
    EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
    EXPECT_EQ(out.str().rfind("[quillo] 即将备份 settings.json -> ", 0), 0u);
    EXPECT_NE(out.str().find("\n[quillo] 安装失败: 备份 settings.json 失败: "), std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("hook 已安装"), std::string::npos);
    EXPECT_EQ(f.text(), testData("settings-not-json-trailing-comma-and-comment.json"));
}

TEST(SettingsWriteSafety, AFolderThatCannotBeCreatedIsReported) {
    TempDir dir;
    writeFile(dir / "not-a-folder", "x");
    const HI::Setup setup{dir / "not-a-folder/.claude/settings.json", "/opt/q/QuilloHook"};
    auto result = HI::apply(HI::computePlan(setup, fixedTime));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.errorMessage->rfind("写入 settings.json 失败: ", 0), 0u);
    EXPECT_NE(result.errorMessage->find("not-a-folder"), std::string::npos);

    std::ostringstream out;
    EXPECT_FALSE(HI::install(setup, out, fixedTime));
    EXPECT_EQ(out.str().rfind("[quillo] 安装失败: 写入 settings.json 失败: ", 0), 0u);
}

TEST(SettingsWriteSafety, ReadingRefusesWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    AtomicFile::Error error;
    EXPECT_EQ(AtomicFile::read(dir / "fifo", &error), std::nullopt); // and does not hang
    EXPECT_NE(error.find("fifo"), std::string::npos);
    EXPECT_EQ(AtomicFile::read(dir.path()), std::nullopt);
    EXPECT_EQ(AtomicFile::read(dir / "missing"), std::nullopt);

    // A settings path that is a folder: planned as existing, never written.
    fs::create_directories(dir / ".claude/settings.json");
    const HI::Setup setup{dir / ".claude/settings.json", "/opt/q/QuilloHook"};
    auto plan = HI::computePlan(setup, fixedTime);
    EXPECT_FALSE(plan.willCreateSettingsFile);
    EXPECT_FALSE(HI::apply(plan).success);
    EXPECT_TRUE(fs::is_directory(setup.settingsPath));
}

TEST(SettingsWriteSafety, SymlinkLoopsEndInsteadOfSpinning) {
    TempDir dir;
    fs::create_symlink("b", dir / "a");
    fs::create_symlink("a", dir / "b");
    EXPECT_FALSE(AtomicFile::write(dir / "a", "x") == std::nullopt);
    EXPECT_TRUE(fs::is_symlink(dir / "a"));
}

} // namespace
} // namespace quillo
