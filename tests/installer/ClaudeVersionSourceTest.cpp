// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the installed Claude Code's version, with programs, links and
// folders laid out as the npm package and the native install lay them out.
#include "TempDir.h"
#include "installer/ClaudeCodeVersion.h"
#include "platform/SystemClaudeVersionSource.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace test;
namespace fs = std::filesystem;
using V = ClaudeCodeVersion;

TEST(ClaudeCodeVersion, ReadsReleaseNumbersAndNothingElse) {
    EXPECT_EQ(V::parse("2.1.197"), (V{2, 1, 197}));
    EXPECT_EQ(V::parse("2.1.197-beta.1"), (V{2, 1, 197}));
    for (const char* text :
         {"", "2.1", "2.1.", "v2.1.197", "2.1.197.tmp", "2.1.x", " 2.1.197", "1234567890.1.1"}) {
        EXPECT_EQ(V::parse(text), std::nullopt) << text;
    }
    EXPECT_EQ(V::find("2.1.197 (Claude Code)\n"), (V{2, 1, 197}));
    EXPECT_EQ(V::find("node 1.2.3.4, claude 10.0.12"), (V{10, 0, 12}));
    EXPECT_EQ(V::find("Claude Code"), std::nullopt);
    EXPECT_LT((V{2, 1, 78}), (V{2, 1, 197}));
    EXPECT_EQ((V{2, 0, 56}).text(), "2.0.56");
}

struct VersionFixture : ::testing::Test {
    TempDir dir;
    fs::path bin = dir / "bin";
    fs::path home = dir / "home";
    SystemClaudeVersionSource::Places places{
        .searchPath = (dir / "empty").string() + ":" + bin.string(),
        .home = home,
        .dataHome = home / ".local/share",
        .npmPackageFolders = {dir / "npm/lib/node_modules"},
        .timeLimit = std::chrono::milliseconds(300),
    };

    VersionFixture() {
        fs::create_directories(bin);
        fs::create_directories(home);
    }
    std::optional<V> found() const { return SystemClaudeVersionSource(places).installedVersion(); }

    static void program(const fs::path& path, const std::string& script) {
        fs::create_directories(path.parent_path());
        writeFile(path, "#!/bin/sh\n" + script + "\n");
        fs::permissions(path, fs::perms::owner_all);
    }
    // An npm package whose program fails when run: its version can only come
    // from package.json.
    fs::path npmPackage(const fs::path& root, const std::string& version) const {
        const fs::path package = root / "@anthropic-ai/claude-code";
        program(package / "bin/claude.exe", "exit 1");
        writeFile(package / "package.json",
                  R"({"name":"@anthropic-ai/claude-code","version":")" + version + R"("})");
        return package / "bin/claude.exe";
    }
};

TEST_F(VersionFixture, AsksTheClaudeOnTheSearchPath) {
    EXPECT_EQ(found(), std::nullopt);
    program(bin / "claude", "echo '2.1.80 (Claude Code)'");
    EXPECT_EQ(found(), (V{2, 1, 80}));

    // The npm package's program, linked from the search path.
    fs::remove(bin / "claude");
    fs::create_symlink(npmPackage(dir / "prefix/lib/node_modules", "2.1.197"), bin / "claude");
    EXPECT_EQ(found(), (V{2, 1, 197}));

    // The native install's launcher links to a program named after its version.
    fs::remove(bin / "claude");
    program(home / ".local/share/claude/versions/2.1.300", "exit 1");
    fs::create_symlink(home / ".local/share/claude/versions/2.1.300", bin / "claude");
    EXPECT_EQ(found(), (V{2, 1, 300}));
}

TEST_F(VersionFixture, FallsBackToTheInstallFoldersWhenTheProgramDoesNotAnswer) {
    program(bin / "claude", "exec sleep 30"); // killed at the time limit
    const fs::path versions = home / ".local/share/claude/versions";
    for (const char* name : {"2.1.99", "2.1.100", "2.1.500.tmp"}) {
        program(versions / name, "exit 1");
    }
    EXPECT_EQ(found(), (V{2, 1, 100})) << "the newest complete one";

    // The launcher says which of them is in use.
    fs::create_directories(home / ".local/bin");
    fs::create_symlink(versions / "2.1.99", home / ".local/bin/claude");
    EXPECT_EQ(found(), (V{2, 1, 99}));

    fs::remove_all(home / ".local");
    program(bin / "claude", "echo 'Claude Code'"); // answers, but no version
    npmPackage(dir / "npm/lib/node_modules", "2.0.56");
    EXPECT_EQ(found(), (V{2, 0, 56}));
}

// Started from the applications menu, the monitor's search path lacks what
// only the user's shell profile adds (an npm prefix, say).
TEST_F(VersionFixture, FindsClaudeCodeWhereTheUsersTerminalWould) {
    // The login shell knows it (after printing a greeting of its own).
    const fs::path hidden = dir / "npm-prefix/bin/claude";
    program(hidden, "echo '2.1.90 (Claude Code)'");
    program(dir / "shell", "[ \"$1\" = -lc ] || exit 1\necho 'Welcome back'\n"
                           "PATH=" +
                               hidden.parent_path().string() + ":$PATH; eval \"$2\"");
    places.loginShell = (dir / "shell").string();
    EXPECT_EQ(found(), (V{2, 1, 90}));

    // A shell that hangs in its profile is given up at the time limit.
    program(dir / "shell", "exec sleep 30");
    EXPECT_EQ(found(), std::nullopt);

    // The usual install places.
    program(home / ".claude/local/claude", "echo '2.1.91 (Claude Code)'");
    EXPECT_EQ(found(), (V{2, 1, 91}));
    fs::remove_all(home / ".claude");

    // The npm prefix of ~/.npmrc.
    writeFile(home / ".npmrc", "fund=false\nprefix = ~/.npm-packages\n");
    npmPackage(home / ".npm-packages/lib/node_modules", "2.1.92");
    EXPECT_EQ(found(), (V{2, 1, 92}));

    // What npm itself reports, asked through the login shell.
    npmPackage(dir / "reported/lib/node_modules", "2.1.93");
    program(dir / "shell",
            "[ \"$2\" = 'npm config get prefix' ] && echo " + (dir / "reported").string());
    places.askNpm = true;
    EXPECT_EQ(found(), (V{2, 1, 93}));
}

} // namespace
} // namespace quillo
