// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstallerTestSupport.h"
#include "installer/HookStatusText.h"
#include "platform/FakeClaudeVersionSource.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillo {
namespace {

using namespace test;
using nlohmann::json;
namespace HI = HookInstaller;

std::string uninstalled(int count) {
    return "[quillo] 已从 settings.json 移除 " + std::to_string(count) + " 条 hook 条目\n";
}

TEST(HookInstaller, WritesTheCanonicalLayoutOnceAndThenHasNothingToDo) {
    SettingsFixture f;
    auto plan = HI::computePlan(f.setup, fixedTime);
    EXPECT_TRUE(plan.willCreateSettingsFile);
    EXPECT_EQ(plan.backupPath, std::nullopt);
    ASSERT_TRUE(HI::apply(plan).success);
    // The visible file format: sorted keys, " : ", two spaces, escaped slashes.
    EXPECT_NE(f.text().find(R"(    "SessionEnd" : [
      {
        "hooks" : [
          {
            "_quillo_marker" : "com.quillo.mac",
            "command" : "\"\/opt\/quillo\/bin\/QuilloHook\"",
            "type" : "command"
          }
        ],
        "matcher" : ""
      }
    ],
    "SessionStart" : [)"),
              std::string::npos);
    EXPECT_EQ(f.text().back(), '\n');
    EXPECT_EQ(fileMode(f.path()), 0600u);
    EXPECT_EQ(fileMode(f.path().parent_path()), 0700u);
    EXPECT_TRUE(HI::validate(f.setup));
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);
}

TEST(HookInstaller, KeepsOtherToolsGroupsInOrderAndTheRestOfTheFile) {
    SettingsFixture f;
    const std::string original = testData("settings-foreign-groups-under-stop-and-pretooluse.json");
    f.put(original);
    auto plan = installFrom(f);
    EXPECT_EQ(plan.backupPath, f.path().string() + ".quillo-backup-1765000000"); // truncated
    EXPECT_EQ(readFile(*plan.backupPath), original);

    json before = json::parse(original), after = f.json();
    expectOneCurrentGroupPerEvent(after);
    after["hooks"]["Stop"].erase(2);
    after["hooks"]["PreToolUse"].erase(1);
    for (auto event : {"SessionStart", "UserPromptSubmit", "Notification", "SessionEnd"}) {
        after["hooks"].erase(event);
    }
    EXPECT_EQ(after, before); // nothing else changed, foreign groups in their order
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);
}

TEST(HookInstaller, RecognisesItsGroupsByMarkerOrByCommand) {
    // A group holding both a foreign and an own entry is ours as a whole.
    SettingsFixture f;
    f.putFixture("settings-group-mixing-foreign-and-own-entry.json");
    installFrom(f);
    EXPECT_EQ(f.json()["hooks"]["Stop"].size(), 2u);
    expectOneCurrentGroupPerEvent(f.json());
    f.putFixture("settings-group-mixing-foreign-and-own-entry.json");
    EXPECT_EQ(runUninstall(f), uninstalled(1));
    ASSERT_EQ(f.json()["hooks"]["Stop"].size(), 1u);
    EXPECT_EQ(commandOf(f.json()["hooks"]["Stop"][0]), "afplay /System/Library/Sounds/Glass.aiff");

    // The legacy marker: owned, but an outdated installation.
    f.putFixture("settings-legacy-marker.json");
    EXPECT_TRUE(HI::isInstalled(f.path()));
    EXPECT_FALSE(HI::validate({f.path(), "/Applications/Quillo.app/Contents/MacOS/QuilloHook"}));
    installFrom(f);
    expectOneCurrentGroupPerEvent(f.json(), /*onlyGroup=*/true);
    f.putFixture("settings-legacy-marker.json");
    EXPECT_EQ(runUninstall(f), uninstalled(6));
    EXPECT_EQ(f.text(), "{}"); // six keys, then "hooks" itself; no line feed added

    // Claude Code stripped the marker: recognised by the command, still valid.
    f.putFixture("settings-marker-stripped.json");
    EXPECT_TRUE(HI::isInstalled(f.path()));
    EXPECT_TRUE(HI::validate(f.setup));
    installFrom(f);
    expectOneCurrentGroupPerEvent(f.json());
    EXPECT_EQ(f.json()["hooks"]["Stop"].size(), 2u);
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);

    // ... and after the application moved, replaced without duplicates.
    f.putFixture("settings-marker-stripped.json");
    const HI::Setup moved{f.path(), "/home/dana/apps/quillo/QuilloHook"};
    EXPECT_FALSE(HI::validate(moved));
    ASSERT_TRUE(HI::apply(HI::computePlan(moved, fixedTime)).success);
    EXPECT_TRUE(HI::validate(moved));
    EXPECT_FALSE(HI::validate(f.setup));
    expectOneCurrentGroupPerEvent(f.json(), false, moved.hookCommandPath);
}

TEST(HookInstaller, OwnershipNeedsAQuotedAbsoluteRecorderPath) {
    auto entry = [](json command, json marker = nullptr) {
        json e = {{"type", "command"}, {"command", std::move(command)}};
        if (!marker.is_null()) {
            e["_quillo_marker"] = std::move(marker);
        }
        return e;
    };
    EXPECT_TRUE(HI::isOwnEntry(entry("\"/home/d/my apps/QuilloHook\"")));
    EXPECT_TRUE(HI::isOwnEntry(entry(42, "com.quillo.mac")));
    for (const char* foreign :
         {"/opt/QuilloHook", "\"QuilloHook\"", "\"/opt/NotQuilloHook\"",
          "\"/opt/QuilloHook\" --verbose", "\"/a/QuilloHook\" \"/b/QuilloHook\""}) {
        EXPECT_FALSE(HI::isOwnEntry(entry(foreign))) << foreign;
    }
    EXPECT_FALSE(HI::isOwnEntry(entry("x", "com.quillo.mac.other")));

    // A path the shell would expand is escaped, and still recognised and valid.
    EXPECT_EQ(HI::hookCommand("/a$b`c\"d\\e/QuilloHook"), R"("/a\$b\`c\"d\\e/QuilloHook")");
    SettingsFixture f;
    const HI::Setup odd{f.path(), "/tmp/$HOME dir/QuilloHook"};
    ASSERT_TRUE(HI::apply(HI::computePlan(odd, fixedTime)).success);
    EXPECT_TRUE(HI::validate(odd));
    EXPECT_EQ(runUninstall(f), uninstalled(6));
}

TEST(HookInstaller, ValidateWantsEverySubscribedEventAndUsableLists) {
    SettingsFixture f;
    EXPECT_FALSE(HI::validate(f.setup)); // missing file
    installFrom(f);
    const json root = f.json();
    auto validWith = [&](auto change) {
        json copy = root;
        change(copy["hooks"]);
        f.put(copy.dump());
        return HI::validate(f.setup);
    };
    EXPECT_FALSE(validWith([](json& h) { h.erase("Notification"); }));
    EXPECT_FALSE(validWith([](json& h) { h["Stop"][0]["hooks"][0]["_quillo_marker"] = "x"; }));
    EXPECT_FALSE(validWith([](json& h) { h["Stop"].push_back(nullptr); }));
    EXPECT_TRUE(validWith([](json& h) { h["Stop"][0]["hooks"][0].erase("_quillo_marker"); }));
}

// Checks keep only the root's "hooks" of what they read: the hooks are found
// among any other members, in any order, and a "hooks" deeper down is not
// taken for them.
TEST(HookInstaller, ChecksFindTheRootsHooksAmongAnyOtherMembers) {
    SettingsFixture f;
    installFrom(f);
    const json hooks = f.json()["hooks"];
    const std::string ours = hooks.dump();
    const std::string others = R"("a": {"hooks": 1, "x": [[{}], "hooks"]}, "env": {"E": "1"})";
    for (const std::string& text : {"{" + others + R"(, "hooks": )" + ours + "}",
                                    R"({"hooks": )" + ours + ", " + others + R"(, "z": [null]})"}) {
        SCOPED_TRACE(text);
        f.put(text);
        EXPECT_TRUE(HI::validate(f.setup));
        EXPECT_TRUE(HI::isInstalled(f.path()));
        EXPECT_EQ(HI::registeredEvents(f.path()).size(), HI::subscribedEvents.size());
        EXPECT_TRUE(HI::settingsStatus(f.path()).installed);
    }
    f.put(R"({"env": {"hooks": )" + ours + R"(}, "hooks": {}})");
    EXPECT_FALSE(HI::validate(f.setup));
    EXPECT_FALSE(HI::isInstalled(f.path()));
    EXPECT_FALSE(HI::settingsStatus(f.path()).installed);
}

TEST(HookInstaller, UninstallRemovesOwnGroupsUnderAnyEventAndNothingElse) {
    SettingsFixture f;
    f.putFixture("settings-own-group-under-unsubscribed-event.json");
    const json postToolUse = f.json()["hooks"]["PostToolUse"];
    installFrom(f);
    // Without a known Claude Code version, an extra event registered earlier
    // stays as it was.
    EXPECT_EQ(f.json()["hooks"]["PostToolUse"], postToolUse);

    f.putFixture("settings-own-group-under-unsubscribed-event.json");
    EXPECT_EQ(runUninstall(f), uninstalled(2));
    EXPECT_EQ(f.json(), json::parse(R"({"hooks":{"PostToolUse":[
        {"matcher":"Write|Edit","hooks":[{"type":"command","command":"prettier --write"}]}]}})"));

    f.put(R"({"hooks":{"Stop":[]},"model":"opus"})"); // nothing of ours: not even [] goes
    EXPECT_EQ(runUninstall(f), uninstalled(0));
    EXPECT_EQ(f.json(), json::parse(R"({"hooks":{"Stop":[]},"model":"opus"})"));
}

TEST(HookInstaller, BadShapesAreReplacedByInstallWithABackupAndLeftByUninstall) {
    struct Case {
        const char* fixture;
        std::string uninstallSays;
    };
    SettingsFixture f;
    const std::string notFound = "[quillo] 未找到 " + f.path().string() + ",无需清理\n";
    // All in the same second: each backup gets a name of its own.
    std::string backup = f.path().string() + ".quillo-backup-1765000000";
    int installs = 0;
    for (const Case& c : {
             Case{"settings-hooks-is-an-array.json",
                  "[quillo] settings.json 中未配置 hooks,无需清理\n"},
             Case{"settings-event-value-null-and-junk.json", uninstalled(0)},
             Case{"settings-empty-file.json", notFound},
         }) {
        SCOPED_TRACE(c.fixture);
        f.putFixture(c.fixture);
        EXPECT_FALSE(HI::isInstalled(f.path()));
        EXPECT_EQ(runUninstall(f), c.uninstallSays);
        if (c.uninstallSays != uninstalled(0)) {
            EXPECT_EQ(f.text(), testData(c.fixture));
        }
        f.putFixture(c.fixture);
        std::ostringstream out;
        ASSERT_TRUE(HI::install(f.setup, out, fixedTime));
        EXPECT_EQ(readFile(++installs == 1 ? backup : backup + "-" + std::to_string(installs)),
                  testData(c.fixture));
        expectOneCurrentGroupPerEvent(f.json());
        EXPECT_TRUE(HI::validate(f.setup));
    }
    // Other tools' groups survive next to stray values, which are dropped.
    f.putFixture("settings-event-value-null-and-junk.json");
    installFrom(f);
    ASSERT_EQ(f.json()["hooks"]["Stop"].size(), 2u);
    EXPECT_EQ(commandOf(f.json()["hooks"]["Stop"][0]), "notify-send done");

    // Text that is not JSON is neither installed over nor uninstalled from.
    f.putFixture("settings-not-json-trailing-comma-and-comment.json");
    EXPECT_EQ(runUninstall(f), notFound);
    std::ostringstream out;
    EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
    EXPECT_EQ(f.text(), testData("settings-not-json-trailing-comma-and-comment.json"));
}

TEST(HookInstaller, ReadsCrlfAndNonAsciiAndWritesCanonicalUtf8) {
    SettingsFixture f;
    f.putFixture("settings-crlf-line-endings.json");
    installFrom(f);
    EXPECT_EQ(f.text().find('\r'), std::string::npos);
    EXPECT_EQ(commandOf(f.json()["hooks"]["Stop"][0]), "notify-send done");

    f.putFixture("settings-non-ascii-keys.json");
    const json before = f.json();
    installFrom(f);
    EXPECT_EQ(f.json()["env"], before["env"]);
    const std::string text = f.text(); // raw UTF-8, keys ordered by their bytes
    EXPECT_LT(text.find("\"Zebra\""), text.find("\"emoji🙂\""));
    EXPECT_LT(text.find("\"emoji🙂\""), text.find("\"ÄPFEL\""));
    EXPECT_LT(text.find("\"ÄPFEL\""), text.find("\"项目\" : \"示例\""));
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);
}

TEST(HookInstaller, AFileThatCannotBeWrittenBackIsNeverReportedInstalled) {
    SettingsFixture f;
    f.putFixture("settings-nesting-deeper-than-the-writer-allows.json");
    auto plan = HI::computePlan(f.setup, fixedTime);
    EXPECT_TRUE(plan.serializationFailed);
    EXPECT_FALSE(plan.isNoOp); // a preview must not call this "up to date"
    std::ostringstream out;
    EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
    EXPECT_EQ(out.str(), "[quillo] 安装失败: settings.json 序列化失败\n");
    EXPECT_EQ(runUninstall(f, false), "[quillo] settings.json 序列化失败\n");
    EXPECT_EQ(f.text(), testData("settings-nesting-deeper-than-the-writer-allows.json"));
}

using Events = std::vector<std::string>;
const Events six = {"SessionStart", "UserPromptSubmit", "PreToolUse",
                    "Stop",         "Notification",     "SessionEnd"};

Events sixAnd(std::initializer_list<const char*> extras) {
    Events events = six;
    events.insert(events.end(), extras.begin(), extras.end());
    return events;
}

TEST(HookInstaller, EachExtraEventFromTheVersionThatIntroducedIt) {
    auto eventsFor = [](std::optional<ClaudeCodeVersion> version) {
        Events events;
        for (auto event : HI::eventsFor(version)) {
            events.emplace_back(event);
        }
        return events;
    };
    EXPECT_EQ(eventsFor(std::nullopt), six);
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{1, 0, 37}), six);
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{1, 0, 38}), sixAnd({"PostToolUse"}));
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{2, 0, 45}), sixAnd({"PermissionRequest", "PostToolUse"}));
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{2, 0, 55}), sixAnd({"PermissionRequest", "PostToolUse"}));
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{2, 0, 56}),
              sixAnd({"PermissionRequest", "PostToolUse", "PostToolUseFailure"}));
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{2, 1, 77}),
              sixAnd({"PermissionRequest", "PostToolUse", "PostToolUseFailure"}));
    const Events all =
        sixAnd({"PermissionRequest", "PostToolUse", "PostToolUseFailure", "StopFailure"});
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{2, 1, 78}), all);
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{2, 1, 197}), all) << "numbers, not text, are compared";
    EXPECT_EQ(eventsFor(ClaudeCodeVersion{3, 0, 0}), all);
}

TEST(HookInstaller, RegistersTheExtrasTheInstalledClaudeCodeKnowsAndRepairsAfterAnUpdate) {
    SettingsFixture f;
    auto setupFor = [&](std::optional<ClaudeCodeVersion> version) {
        HI::Setup setup = f.setup;
        setup.claudeCodeVersion = version;
        return setup;
    };
    const Events all =
        sixAnd({"PermissionRequest", "PostToolUse", "PostToolUseFailure", "StopFailure"});

    EXPECT_EQ(HI::computePlan(setupFor(std::nullopt), fixedTime).registeredEvents, six);
    auto older = HI::computePlan(setupFor(ClaudeCodeVersion{2, 0, 50}), fixedTime);
    ASSERT_TRUE(HI::apply(older).success);
    EXPECT_EQ(older.registeredEvents, sixAnd({"PermissionRequest", "PostToolUse"}));
    EXPECT_FALSE(f.json()["hooks"].contains("StopFailure"));
    // Only the entry that waits for Quillo's answer has a time limit of its
    // own, written out rather than left to Claude Code's default.
    EXPECT_EQ(f.json()["hooks"]["PermissionRequest"][0]["hooks"][0].value("timeout", 0), 600);
    EXPECT_FALSE(f.json()["hooks"]["PostToolUse"][0]["hooks"][0].contains("timeout"));
    EXPECT_TRUE(HI::validate(setupFor(ClaudeCodeVersion{2, 1, 197})))
        << "what is missing makes the states less exact, not the configuration broken";

    // Claude Code was updated: a repair adds what is missing, then has nothing to do.
    auto repair = HI::computePlan(setupFor(ClaudeCodeVersion{2, 1, 197}), fixedTime);
    EXPECT_FALSE(repair.isNoOp);
    ASSERT_TRUE(HI::apply(repair).success);
    EXPECT_EQ(HI::registeredEvents(f.path()), all);
    expectOneCurrentGroupPerEvent(f.json(), /*onlyGroup=*/true);
    EXPECT_TRUE(HI::computePlan(setupFor(ClaudeCodeVersion{2, 1, 197}), fixedTime).isNoOp);

    // The version cannot be found now, and the recorder moved: the extras
    // registered earlier stay, running the recorder where it is now.
    HI::Setup moved = setupFor(std::nullopt);
    moved.hookCommandPath = "/usr/lib/quillo/QuilloHook";
    auto unknown = HI::computePlan(moved, fixedTime);
    ASSERT_TRUE(HI::apply(unknown).success);
    EXPECT_EQ(unknown.registeredEvents, all);
    EXPECT_EQ(commandOf(f.json()["hooks"]["StopFailure"].back()), "\"/usr/lib/quillo/QuilloHook\"");

    // An older Claude Code again: the events it does not know lose our group,
    // and their key with it unless another tool's group is there.
    json root = f.json();
    const json foreign =
        json::parse(R"({"matcher":"Bash","hooks":[{"type":"command","command":"log-failure"}]})");
    root["hooks"]["PostToolUseFailure"].insert(root["hooks"]["PostToolUseFailure"].begin(),
                                               foreign);
    f.put(root.dump());
    auto downgrade = HI::computePlan(setupFor(ClaudeCodeVersion{2, 0, 50}), fixedTime);
    ASSERT_TRUE(HI::apply(downgrade).success);
    EXPECT_EQ(downgrade.registeredEvents, sixAnd({"PermissionRequest", "PostToolUse"}));
    EXPECT_FALSE(f.json()["hooks"].contains("StopFailure"));
    EXPECT_EQ(f.json()["hooks"]["PostToolUseFailure"], json::array({foreign}));
    EXPECT_EQ(HI::registeredEvents(f.path()), downgrade.registeredEvents);
}

TEST(HookInstaller, UninstallTakesTheExtrasToo) {
    SettingsFixture f;
    HI::Setup setup = f.setup;
    setup.claudeCodeVersion = ClaudeCodeVersion{2, 1, 197};
    std::ostringstream out;
    ASSERT_TRUE(HI::install(setup, out, fixedTime));
    EXPECT_NE(
        out.str().find("\n[quillo] 订阅事件: SessionStart, UserPromptSubmit, PreToolUse, Stop, "
                       "Notification, SessionEnd, PermissionRequest, PostToolUse, "
                       "PostToolUseFailure, StopFailure\n[quillo] Claude Code 版本: 2.1.197\n"),
        std::string::npos)
        << out.str();
    EXPECT_EQ(runUninstall(f), uninstalled(10));
    EXPECT_EQ(f.json(), json::object());
    EXPECT_TRUE(HI::registeredEvents(f.path()).empty());
}

TEST(HookInstaller, InstallingAsksTheVersionSource) {
    TempHome home;
    const FakeClaudeVersionSource versions(ClaudeCodeVersion{2, 1, 78});
    const HI::Setup setup = HI::installSetup(versions);
    EXPECT_EQ(setup.claudeCodeVersion, (ClaudeCodeVersion{2, 1, 78}));
    EXPECT_EQ(setup.settingsPath, home.path() / ".claude/settings.json");
    EXPECT_EQ(HI::currentSetup().claudeCodeVersion, std::nullopt) << "validating never looks";
}

TEST(HookStatusText, CountsTheRegisteredEvents) {
    EXPECT_EQ(hookStatusSubtitle(10).toStdString(),
              "Stop / Notification / SessionStart 等 10 类 Hook 已注册");
}

} // namespace
} // namespace quillo
