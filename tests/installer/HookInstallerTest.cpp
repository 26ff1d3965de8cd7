#include "InstallerTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillo {
namespace {

using namespace test;
using nlohmann::json;
namespace HI = HookInstaller;

const Timestamp fixedTime = timestampFromSeconds(1765000000.75);
const std::string quotedRecorder = "\"/opt/quillo/bin/QuilloHook\"";

HI::Plan installFrom(const SettingsFixture& f) {
    auto plan = HI::computePlan(f.setup, fixedTime);
    auto result = HI::apply(plan);
    EXPECT_TRUE(result.success) << result.errorMessage.value_or("");
    return plan;
}

std::string runUninstall(const SettingsFixture& f, bool expectSuccess = true) {
    std::ostringstream out;
    EXPECT_EQ(HI::uninstall(f.setup, out), expectSuccess);
    return out.str();
}

void expectOneCurrentGroupPerEvent(const json& root, const std::string& recorder) {
    for (auto event : HI::subscribedEvents) {
        const std::string name(event);
        ASSERT_EQ(ownGroupCount(root, name), 1) << name;
        const auto& own = root["hooks"][name].back();
        EXPECT_EQ(commandOf(own), "\"" + recorder + "\"") << name;
        EXPECT_EQ(own["hooks"][0]["_quillo_marker"], "com.quillo.mac") << name;
    }
}

TEST(HookInstaller, WritesTheCanonicalGroupLayoutIntoANewFile) {
    SettingsFixture f;
    auto plan = HI::computePlan(f.setup, fixedTime);
    EXPECT_TRUE(plan.willCreateSettingsFile);
    EXPECT_EQ(plan.backupPath, std::nullopt);
    EXPECT_EQ(plan.existingText, "");
    EXPECT_FALSE(plan.isNoOp);
    EXPECT_EQ(plan.hookCommandPath, fixtureRecorder);
    ASSERT_TRUE(HI::apply(plan).success);

    const std::string text = f.text();
    EXPECT_EQ(text, plan.targetText);
    EXPECT_EQ(text.back(), '\n');
    // The visible file format: sorted keys, " : ", two spaces, escaped slashes.
    EXPECT_NE(text.find(R"(    "SessionEnd" : [
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
              std::string::npos)
        << text;
    EXPECT_EQ(fileMode(f.path()), 0600u);
    EXPECT_EQ(fileMode(f.path().parent_path()), 0700u);
    EXPECT_TRUE(HI::validate(f.setup));
    EXPECT_TRUE(HI::isInstalled(f.path()));
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);
}

TEST(HookInstaller, KeepsOtherToolsGroupsInOrderAndEverythingElseOfTheFile) {
    SettingsFixture f;
    f.putFixture("settings-foreign-groups-under-stop-and-pretooluse.json");
    const json before = f.json();
    auto plan = installFrom(f);

    EXPECT_EQ(plan.backupPath,
              f.path().string() + ".quillo-backup-1765000000"); // whole seconds, truncated
    EXPECT_EQ(readFile(*plan.backupPath),
              testData("settings-foreign-groups-under-stop-and-pretooluse.json"));

    json after = f.json();
    expectOneCurrentGroupPerEvent(after, fixtureRecorder);
    ASSERT_EQ(after["hooks"]["Stop"].size(), 3u);
    EXPECT_EQ(after["hooks"]["Stop"][0], before["hooks"]["Stop"][0]);
    EXPECT_EQ(after["hooks"]["Stop"][1], before["hooks"]["Stop"][1]);
    EXPECT_EQ(after["hooks"]["PreToolUse"][0], before["hooks"]["PreToolUse"][0]);
    for (const char* key : {"$schema", "model", "permissions", "env"}) {
        EXPECT_EQ(after[key], before[key]) << key;
    }
    const std::string text = f.text();
    EXPECT_LT(text.find("\"$schema\""), text.find("\"env\""));
    EXPECT_LT(text.find("\"env\""), text.find("\"hooks\""));
    EXPECT_LT(text.find("\"hooks\""), text.find("\"model\""));
    EXPECT_NE(text.find(R"("https:\/\/json.schemastore.org\/claude-code-settings.json")"),
              std::string::npos);

    auto second = HI::computePlan(f.setup, fixedTime);
    EXPECT_TRUE(second.isNoOp);
    EXPECT_FALSE(second.willCreateSettingsFile);
    EXPECT_EQ(second.targetText, text);
}

TEST(HookInstaller, AGroupHoldingAnOwnEntryIsOursAsAWhole) {
    SettingsFixture f;
    f.putFixture("settings-group-mixing-foreign-and-own-entry.json");
    installFrom(f);
    json after = f.json();
    ASSERT_EQ(after["hooks"]["Stop"].size(), 2u);
    EXPECT_EQ(commandOf(after["hooks"]["Stop"][0]), "afplay /System/Library/Sounds/Glass.aiff");
    expectOneCurrentGroupPerEvent(after, fixtureRecorder);

    f.putFixture("settings-group-mixing-foreign-and-own-entry.json");
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 1 条 hook 条目\n");
    after = f.json();
    ASSERT_EQ(after["hooks"]["Stop"].size(), 1u);
    EXPECT_EQ(commandOf(after["hooks"]["Stop"][0]), "afplay /System/Library/Sounds/Glass.aiff");
}

TEST(HookInstaller, LegacyMarkerIsOwnedButNotValid) {
    SettingsFixture f;
    f.putFixture("settings-legacy-marker.json");
    const HI::Setup sameLocation{f.path(), "/Applications/Quillo.app/Contents/MacOS/QuilloHook"};
    EXPECT_TRUE(HI::isInstalled(f.path()));
    EXPECT_FALSE(HI::validate(sameLocation));

    installFrom(f);
    expectOneCurrentGroupPerEvent(f.json(), fixtureRecorder);
    for (auto event : HI::subscribedEvents) {
        EXPECT_EQ(f.json()["hooks"][std::string(event)].size(), 1u);
    }

    f.putFixture("settings-legacy-marker.json");
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 6 条 hook 条目\n");
    EXPECT_EQ(f.text(), "{}"); // the six keys went, then "hooks"; no line feed added
}

TEST(HookInstaller, EntriesWhoseMarkerClaudeCodeStrippedAreStillOurs) {
    SettingsFixture f;
    f.putFixture("settings-marker-stripped.json");
    EXPECT_TRUE(HI::isInstalled(f.path()));
    EXPECT_TRUE(HI::validate(f.setup)); // the command is exactly this recorder's

    installFrom(f);
    json after = f.json();
    expectOneCurrentGroupPerEvent(after, fixtureRecorder);
    EXPECT_EQ(after["hooks"]["Stop"].size(), 2u);
    EXPECT_EQ(commandOf(after["hooks"]["Stop"][0]), "notify-send done");
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);

    // After a move, the stripped entries are still recognised and replaced.
    f.putFixture("settings-marker-stripped.json");
    const HI::Setup moved{f.path(), "/home/dana/apps/quillo/QuilloHook"};
    EXPECT_FALSE(HI::validate(moved));
    ASSERT_TRUE(HI::apply(HI::computePlan(moved, fixedTime)).success);
    expectOneCurrentGroupPerEvent(f.json(), moved.hookCommandPath);

    f.putFixture("settings-marker-stripped.json");
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 6 条 hook 条目\n");
    after = f.json();
    ASSERT_EQ(after["hooks"].size(), 1u);
    EXPECT_EQ(commandOf(after["hooks"]["Stop"][0]), "notify-send done");
    EXPECT_EQ(after["permissions"]["allow"][0], "WebFetch(domain:docs.anthropic.com)");
}

TEST(HookInstaller, MovingTheApplicationInvalidatesUntilThePlanIsApplied) {
    SettingsFixture f;
    installFrom(f);
    const HI::Setup moved{f.path(), "/usr/lib/quillo/QuilloHook"};
    EXPECT_FALSE(HI::validate(moved));
    EXPECT_TRUE(HI::isInstalled(f.path()));

    auto plan = HI::computePlan(moved, fixedTime);
    EXPECT_FALSE(plan.isNoOp);
    ASSERT_TRUE(HI::apply(plan).success);
    EXPECT_TRUE(HI::validate(moved));
    EXPECT_FALSE(HI::validate(f.setup));
    json after = f.json();
    expectOneCurrentGroupPerEvent(after, moved.hookCommandPath);
    for (auto event : HI::subscribedEvents) {
        EXPECT_EQ(after["hooks"][std::string(event)].size(), 1u);
    }
}

TEST(HookInstaller, ValidateWantsEverySubscribedEventWithTheCurrentEntry) {
    SettingsFixture f;
    EXPECT_FALSE(HI::validate(f.setup)); // missing file
    installFrom(f);
    json root = f.json();

    json missingEvent = root;
    missingEvent["hooks"].erase("Notification");
    f.put(missingEvent.dump());
    EXPECT_FALSE(HI::validate(f.setup));
    EXPECT_TRUE(HI::isInstalled(f.path()));

    json foreignMarker = root;
    foreignMarker["hooks"]["Stop"][0]["hooks"][0]["_quillo_marker"] = "someone.else";
    f.put(foreignMarker.dump());
    EXPECT_FALSE(HI::validate(f.setup));

    json junkInList = root;
    junkInList["hooks"]["Stop"].push_back(nullptr);
    f.put(junkInList.dump());
    EXPECT_FALSE(HI::validate(f.setup));

    f.put(root.dump());
    EXPECT_TRUE(HI::validate(f.setup));
}

TEST(HookInstaller, UninstallTouchesOnlyOwnGroupsUnderEveryEvent) {
    SettingsFixture f;
    f.putFixture("settings-own-group-under-unsubscribed-event.json");
    const json before = f.json();
    installFrom(f);
    json installed = f.json();
    EXPECT_EQ(installed["hooks"]["PostToolUse"], before["hooks"]["PostToolUse"]);

    f.putFixture("settings-own-group-under-unsubscribed-event.json");
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 2 条 hook 条目\n");
    json after = f.json();
    EXPECT_FALSE(after["hooks"].contains("Stop"));
    ASSERT_EQ(after["hooks"]["PostToolUse"].size(), 1u);
    EXPECT_EQ(commandOf(after["hooks"]["PostToolUse"][0]), "prettier --write");

    // Nothing of ours: the file is rewritten canonically, but nothing is removed,
    // not even empty lists.
    f.put(R"({"hooks":{"Stop":[]},"model":"opus"})");
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 0 条 hook 条目\n");
    EXPECT_EQ(f.json(), json::parse(R"({"hooks":{"Stop":[]},"model":"opus"})"));
}

TEST(HookInstaller, ValuesOfTheWrongShapeAreReplacedByInstallAndLeftByUninstall) {
    SettingsFixture f;
    f.putFixture("settings-hooks-is-an-array.json");
    EXPECT_FALSE(HI::isInstalled(f.path()));
    EXPECT_EQ(runUninstall(f), "[quillo] settings.json 中未配置 hooks,无需清理\n");
    EXPECT_EQ(f.text(), testData("settings-hooks-is-an-array.json"));
    auto plan = installFrom(f);
    EXPECT_EQ(readFile(*plan.backupPath), testData("settings-hooks-is-an-array.json"));
    EXPECT_EQ(f.json()["model"], "sonnet");
    expectOneCurrentGroupPerEvent(f.json(), fixtureRecorder);

    // What Claude Code has been seen writing: an event set to null, and lists
    // with stray values. Other tools' groups survive; the strays cannot be used.
    f.putFixture("settings-event-value-null-and-junk.json");
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 0 条 hook 条目\n");
    json untouched = f.json();
    EXPECT_TRUE(untouched["hooks"]["UserPromptSubmit"].is_null());
    EXPECT_EQ(untouched["hooks"]["Stop"].size(), 3u);

    f.putFixture("settings-event-value-null-and-junk.json");
    installFrom(f);
    json after = f.json();
    expectOneCurrentGroupPerEvent(after, fixtureRecorder);
    ASSERT_EQ(after["hooks"]["Stop"].size(), 2u);
    EXPECT_EQ(commandOf(after["hooks"]["Stop"][0]), "notify-send done");
    EXPECT_EQ(after["hooks"]["SessionStart"].size(), 1u);
    EXPECT_TRUE(HI::validate(f.setup));
}

TEST(HookInstaller, UnparseableOrEmptyFilesAreBackedUpThenReplaced) {
    for (const char* name :
         {"settings-not-json-trailing-comma-and-comment.json", "settings-empty-file.json"}) {
        SCOPED_TRACE(name);
        SettingsFixture f;
        f.putFixture(name);
        EXPECT_FALSE(HI::isInstalled(f.path()));
        EXPECT_FALSE(HI::validate(f.setup));
        EXPECT_EQ(runUninstall(f), "[quillo] 未找到 " + f.path().string() + ",无需清理\n");
        EXPECT_EQ(f.text(), testData(name));

        std::ostringstream out;
        ASSERT_TRUE(HI::install(f.setup, out, fixedTime));
        const std::string backup = f.path().string() + ".quillo-backup-1765000000";
        EXPECT_EQ(readFile(backup), testData(name));
        const bool hadContent = !testData(name).empty();
        EXPECT_EQ(out.str().find("原 settings.json 不是 JSON 对象") != std::string::npos,
                  hadContent)
            << out.str();
        expectOneCurrentGroupPerEvent(f.json(), fixtureRecorder);
    }
}

TEST(HookInstaller, ReadsCrlfAndNonAsciiFilesAndWritesThemCanonically) {
    SettingsFixture f;
    f.putFixture("settings-crlf-line-endings.json");
    auto plan = installFrom(f);
    EXPECT_EQ(plan.existingText, testData("settings-crlf-line-endings.json"));
    EXPECT_EQ(f.text().find('\r'), std::string::npos);
    EXPECT_EQ(commandOf(f.json()["hooks"]["Stop"][0]), "notify-send done");
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);

    f.putFixture("settings-non-ascii-keys.json");
    const json before = f.json();
    installFrom(f);
    const std::string text = f.text();
    EXPECT_EQ(f.json()["env"], before["env"]);
    EXPECT_EQ(f.json()["statusLine"], before["statusLine"]);
    // Raw UTF-8, keys ordered by their bytes.
    const auto zebra = text.find("\"Zebra\""), emoji = text.find("\"emoji🙂\""),
               apfel = text.find("\"ÄPFEL\""), project = text.find("\"项目\" : \"示例\"");
    ASSERT_NE(project, std::string::npos) << text;
    EXPECT_LT(zebra, emoji);
    EXPECT_LT(emoji, apfel);
    EXPECT_LT(apfel, project);
    EXPECT_TRUE(HI::computePlan(f.setup, fixedTime).isNoOp);
}

TEST(HookInstaller, AFileThatCannotBeWrittenBackIsLeftAlone) {
    SettingsFixture f;
    f.putFixture("settings-nesting-deeper-than-the-writer-allows.json");
    auto plan = HI::computePlan(f.setup, fixedTime);
    EXPECT_TRUE(plan.serializationFailed);
    EXPECT_EQ(plan.targetText, plan.existingText);

    std::ostringstream out;
    EXPECT_FALSE(HI::install(f.setup, out, fixedTime));
    EXPECT_EQ(out.str(), "[quillo] 安装失败: settings.json 序列化失败\n");
    EXPECT_EQ(runUninstall(f, false), "[quillo] settings.json 序列化失败\n");
    EXPECT_EQ(f.text(), testData("settings-nesting-deeper-than-the-writer-allows.json"));
}

TEST(HookInstaller, PrintsWhatInstallDid) {
    SettingsFixture f;
    f.putFixture("settings-foreign-groups-under-stop-and-pretooluse.json");
    const std::string settings = f.path().string();
    const std::string installed = "[quillo] hook 已安装 -> " + settings +
                                  "\n[quillo] 二进制路径: /opt/quillo/bin/QuilloHook\n"
                                  "[quillo] 订阅事件: SessionStart, UserPromptSubmit, "
                                  "PreToolUse, Stop, Notification, SessionEnd\n";
    std::ostringstream first, second;
    ASSERT_TRUE(HI::install(f.setup, first, fixedTime));
    EXPECT_EQ(first.str(), "[quillo] 即将备份 settings.json -> " + settings +
                               ".quillo-backup-1765000000\n" + installed);
    ASSERT_TRUE(HI::install(f.setup, second, fixedTime));
    EXPECT_EQ(second.str(), installed); // a no-op announces no backup
}

TEST(HookInstaller, RecognisesItsCommandWhereverTheRecorderLives) {
    auto entry = [](json command, std::optional<std::string> marker = std::nullopt) {
        json e = {{"type", "command"}, {"command", std::move(command)}};
        if (marker) {
            e["_quillo_marker"] = *marker;
        }
        return e;
    };
    EXPECT_TRUE(HI::isOwnEntry(entry(quotedRecorder)));
    EXPECT_TRUE(HI::isOwnEntry(entry("\"/home/d/my apps/QuilloHook\"")));
    EXPECT_TRUE(HI::isOwnEntry(entry("anything", "me.orvane.quillo")));
    EXPECT_TRUE(HI::isOwnEntry(entry(42, "com.quillo.mac")));
    EXPECT_FALSE(HI::isOwnEntry(entry("/opt/quillo/bin/QuilloHook"))); // not quoted
    EXPECT_FALSE(HI::isOwnEntry(entry("\"QuilloHook\"")));             // not absolute
    EXPECT_FALSE(HI::isOwnEntry(entry("\"/opt/NotQuilloHook\"")));
    EXPECT_FALSE(HI::isOwnEntry(entry("\"/opt/QuilloHook\" --verbose")));
    EXPECT_FALSE(HI::isOwnEntry(entry("\"/a/QuilloHook\" \"/b/QuilloHook\"")));
    EXPECT_FALSE(HI::isOwnEntry(entry("notify-send", "com.quillo.mac.other")));
    EXPECT_FALSE(HI::groupContainsOurMarker({{"hooks", entry(quotedRecorder)}})); // not a list

    // A path the shell would expand is escaped, and still recognised and valid.
    EXPECT_EQ(HI::hookCommand("/opt/a$b`c\"d\\e/QuilloHook"),
              "\"/opt/a\\$b\\`c\\\"d\\\\e/QuilloHook\"");
    SettingsFixture f;
    const HI::Setup odd{f.path(), "/tmp/$HOME dir/QuilloHook"};
    ASSERT_TRUE(HI::apply(HI::computePlan(odd, fixedTime)).success);
    EXPECT_TRUE(HI::validate(odd));
    EXPECT_TRUE(HI::computePlan(odd, fixedTime).isNoOp);
    EXPECT_EQ(runUninstall(f), "[quillo] 已从 settings.json 移除 6 条 hook 条目\n");
}

TEST(HookInstaller, RecorderIsExpectedNextToTheExecutable) {
    EXPECT_EQ(HI::hookBinaryPath("/opt/quillo/bin"), "/opt/quillo/bin/QuilloHook");
    EXPECT_EQ(HI::hookBinaryPath(), (HI::executableDirectory() / "QuilloHook").string());
    EXPECT_TRUE(std::filesystem::exists(HI::executableDirectory() / "installer_tests"));
}

} // namespace
} // namespace quillo
