// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/ProcessStateStore.h"
#include "DiagnosticLogger.h"
#include "FakeProc.h"
#include "TempDir.h"
#include "platform/FakeApplicationIdentifier.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillo {
namespace {

using test::FakeProc;
using test::TempHome;

Timestamp at(double seconds) {
    return timestampFromSeconds(seconds);
}

ParsedHookEvent event(std::string name, std::string session, double time,
                      std::optional<std::string> cwd = std::nullopt,
                      std::optional<std::int32_t> pid = std::nullopt) {
    return ParsedHookEvent{.eventName = std::move(name),
                           .sessionId = std::move(session),
                           .cwd = std::move(cwd),
                           .claudePID = pid,
                           .timestamp = at(time)};
}

class StoreTest : public ::testing::Test {
protected:
    StoreTest() {
        QObject::connect(
            &store, &ProcessStateStore::processesChanged,
            [this](const std::vector<ClaudeProcess>& list) { published.push_back(list); });
    }

    const ClaudeProcess* find(const std::string& id) const {
        for (const auto& p : store.processes()) {
            if (p.id == id) {
                return &p;
            }
        }
        return nullptr;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& p : store.processes()) {
            result.push_back(p.name);
        }
        return result;
    }

    TempHome home;
    FakeProc fake;
    FakeApplicationIdentifier apps;
    Timestamp clockNow = at(10'000);
    ProcessStateStore store{{fake.proc(), apps}, [this] { return clockNow; }};
    std::vector<std::vector<ClaudeProcess>> published;
};

TEST(StoreMap, FollowsTheEventToStateTable) {
    using S = ProcessState;
    auto map = [](std::string name, std::optional<std::string> type = std::nullopt,
                  std::optional<std::string> message = std::nullopt) {
        return ProcessStateStore::map(name, type, message);
    };
    EXPECT_EQ(map("SessionStart"), S::active) << "a start that names no source";
    EXPECT_EQ(map("UserPromptSubmit"), S::active);
    EXPECT_EQ(map("PreToolUse"), S::active);
    EXPECT_EQ(map("PostToolUse"), S::active);
    EXPECT_EQ(map("PostToolUseFailure"), S::active);
    EXPECT_EQ(map("PermissionRequest"), S::waitingPermission);
    EXPECT_EQ(map("Stop"), S::waitingInput);
    EXPECT_EQ(map("StopFailure"), S::waitingInput);
    EXPECT_EQ(map("SessionEnd"), S::completed);
    EXPECT_EQ(map("stop"), std::nullopt) << "names are case-sensitive";
    EXPECT_EQ(map("SubagentStop"), std::nullopt) << "it carries the parent's session id";
    EXPECT_EQ(map("PostToolBatch"), std::nullopt);
}

TEST(StoreMap, NotificationsThatAskForADecisionWaitForPermission) {
    using S = ProcessState;
    auto map = [](std::optional<std::string> type, std::optional<std::string> message = {}) {
        return ProcessStateStore::map("Notification", type, message);
    };
    for (const char* type : {"permission_prompt", "agent_needs_input", "elicitation_dialog",
                             "elicitation_url_dialog", "Permission_Prompt"}) {
        EXPECT_EQ(map(type, "Claude is waiting for your input"), S::waitingPermission) << type;
    }
    for (const char* type : {"idle_prompt", "elicitation_complete", "elicitation_response",
                             "agent_completed", "auth_success"}) {
        EXPECT_EQ(map(type, "Claude is waiting for your input"), S::waitingInput) << type;
    }
    EXPECT_EQ(map("idle_prompt", "Claude needs your PERMISSION"), S::waitingPermission);
    EXPECT_EQ(map(std::nullopt), S::waitingInput);
}

TEST(StoreMap, ASessionStartsAtItsPromptExceptAfterACompaction) {
    using S = ProcessState;
    auto start = [](std::optional<std::string> source) {
        return ProcessStateStore::map("SessionStart", std::nullopt, std::nullopt, source);
    };
    EXPECT_EQ(start("startup"), S::waitingInput);
    EXPECT_EQ(start("resume"), S::waitingInput);
    EXPECT_EQ(start("clear"), S::waitingInput);
    EXPECT_EQ(start("fork"), S::waitingInput);
    EXPECT_EQ(start("compact"), std::nullopt);
    EXPECT_EQ(start(std::nullopt), S::active);
}

// A compaction in the middle of a permission wait must not hide the wait, nor
// bring back a session that is not in the table.
TEST_F(StoreTest, ACompactionChangesNothing) {
    auto start = [](std::string session, double time, std::string source) {
        ParsedHookEvent e = event("SessionStart", std::move(session), time, "/w/atlas", 42);
        e.source = std::move(source);
        return e;
    };
    store.ingestBatch({start("s1", 100, "startup"), event("PermissionRequest", "s1", 110)});
    store.ingestBatch({start("s1", 120, "compact"), start("gone", 130, "compact")});
    ASSERT_EQ(store.processes().size(), 1u);
    EXPECT_EQ(store.processes()[0].state, ProcessState::waitingPermission);
    EXPECT_EQ(store.processes()[0].stateChangedAt, at(110));

    store.ingestBatch({start("s1", 140, "clear")});
    EXPECT_EQ(store.processes()[0].state, ProcessState::waitingInput);
}

TEST_F(StoreTest, FirstEventCreatesTheRecordInItsState) {
    store.ingestBatch({event("Stop", "s1", 100, "/home/dana/src/atlas", 42)});
    ASSERT_EQ(store.processes().size(), 1u);
    const ClaudeProcess& p = store.processes()[0];
    EXPECT_EQ(p, (ClaudeProcess{.id = "s1",
                                .name = "atlas",
                                .state = ProcessState::waitingInput,
                                .startedAt = at(100),
                                .stateChangedAt = at(100),
                                .cwd = "/home/dana/src/atlas",
                                .claudePID = 42}));
}

TEST_F(StoreTest, EveryBatchPublishesTheWholeSortedList) {
    store.ingestBatch({event("SessionStart", "late", 300), event("SessionStart", "early", 100),
                       event("SessionStart", "middle", 200)});
    store.ingestBatch({event("SessionEnd", "unknown-session", 400)});
    store.ingestBatch({});
    store.ingestBatch({event("SubagentStop", "early", 500)});
    ASSERT_EQ(published.size(), 4u) << "also for an empty batch and ignored events";
    for (const auto& list : published) {
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list[0].id, "early");
        EXPECT_EQ(list[1].id, "middle");
        EXPECT_EQ(list[2].id, "late");
    }
    EXPECT_EQ(published.back(), store.processes());
}

TEST_F(StoreTest, SessionEndRemovesAtItsPlaceInTheBatch) {
    store.ingestBatch({event("SessionStart", "a", 100, "/x/proj"), event("SessionEnd", "a", 101)});
    EXPECT_TRUE(store.processes().empty());

    store.ingestBatch(
        {event("SessionStart", "b", 100, "/x/proj"), event("Stop", "c", 100, "/y/proj")});
    store.ingestBatch(
        {event("SessionEnd", "b", 200), event("UserPromptSubmit", "b", 201, "/z/proj")});
    const ClaudeProcess* b = find("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->startedAt, at(201)) << "a new record";
    EXPECT_EQ(b->name, "proj") << "named afresh, against the records that exist then";
    EXPECT_EQ(b->state, ProcessState::active);
}

TEST_F(StoreTest, NamesAreUniqueAndNeverDerivedAgain) {
    store.ingestBatch({event("SessionStart", "1", 1, "/a/api"),
                       event("SessionStart", "2", 2, "/b/api/"),
                       event("SessionStart", "3", 3, "api"), event("SessionStart", "4", 4),
                       event("SessionStart", "5", 5, "/"), event("Stop", "4", 6, "/c/web")});
    EXPECT_EQ(names(),
              (std::vector<std::string>{"api", "api #2", "api #3", "claude", "claude #2"}));
    EXPECT_EQ(find("4")->cwd, "/c/web") << "a later cwd is taken but does not rename";

    store.ingestBatch({event("SessionEnd", "1", 7), event("SessionStart", "6", 8, "/d/api")});
    EXPECT_EQ(find("6")->name, "api") << "a freed name is given again";
}

TEST_F(StoreTest, StateChangesAndTheirTimes) {
    store.ingestBatch({event("SessionStart", "s", 100)});
    store.ingestBatch({event("PreToolUse", "s", 110)});
    EXPECT_EQ(find("s")->stateChangedAt, at(100)) << "repeating the state changes nothing";

    store.ingestBatch({event("Stop", "s", 120), event("SessionStart", "s", 90)});
    EXPECT_EQ(find("s")->state, ProcessState::active) << "an older event still overwrites";
    EXPECT_EQ(find("s")->stateChangedAt, at(90));
    EXPECT_EQ(find("s")->startedAt, at(100));
}

TEST_F(StoreTest, AKnownPidIsKeptAndIgnoredEventsFillNothingIn) {
    store.ingestBatch({event("SessionStart", "s", 100)});
    store.ingestBatch({event("SubagentStop", "s", 101, "/ignored/cwd", 7)});
    EXPECT_EQ(find("s")->cwd, std::nullopt);
    EXPECT_EQ(find("s")->claudePID, std::nullopt);
    store.ingestBatch({event("SubagentStop", "other", 101, "/x", 8)});
    EXPECT_EQ(find("other"), nullptr) << "unmapped events create nothing";

    store.ingestBatch({event("Stop", "s", 102, std::nullopt, 42)});
    store.ingestBatch({event("UserPromptSubmit", "s", 103, std::nullopt, 43)});
    EXPECT_EQ(find("s")->claudePID, 42);
}

TEST_F(StoreTest, ResolvesTheTerminalUntilOneIsFoundAndThenKeepsIt) {
    auto withChain = [](ParsedHookEvent e, std::vector<std::int32_t> chain, std::string tty) {
        e.pidChain = std::move(chain);
        e.shellTTY = std::move(tty);
        return e;
    };
    store.ingestBatch({withChain(event("SessionStart", "s", 100), {900, 901, 902}, "/dev/pts/1")});
    EXPECT_EQ(find("s")->terminal, std::nullopt) << "no terminal application known yet";

    apps.set(902, "org.kde.konsole");
    store.ingestBatch({withChain(event("SubagentStop", "s", 101), {900, 901, 902}, "/dev/pts/1")});
    EXPECT_EQ(find("s")->terminal, std::nullopt) << "ignored events resolve nothing";

    store.ingestBatch({withChain(event("Stop", "s", 102), {900, 901, 902}, "/dev/pts/1")});
    auto konsole = TerminalLocation{TerminalKind::konsole, 902, 901, "/dev/pts/1"};
    EXPECT_EQ(find("s")->terminal, konsole);

    apps.set(901, "kitty");
    store.ingestBatch(
        {withChain(event("UserPromptSubmit", "s", 103), {900, 901, 902}, "/dev/pts/2")});
    EXPECT_EQ(find("s")->terminal, konsole) << "never re-resolved";
}

// A backlog holds thousands of events of sessions whose terminal cannot be
// found; each chain is looked up once per batch, not once per event.
TEST_F(StoreTest, LooksUpEachChainOncePerBatch) {
    struct CountingApps : ApplicationIdentifier {
        const ApplicationIdentifier& inner;
        mutable int lookups = 0;
        explicit CountingApps(const ApplicationIdentifier& wrapped) : inner(wrapped) {}
        std::optional<std::string> bundleIdentifier(std::int32_t pid) const override {
            ++lookups;
            return inner.bundleIdentifier(pid);
        }
    } counting(apps);
    ProcessStateStore backlogStore{{fake.proc(), counting}, [this] { return clockNow; }};
    auto inChain = [](ParsedHookEvent e, std::vector<std::int32_t> chain) {
        e.pidChain = std::move(chain);
        return e;
    };
    apps.set(802, "org.kde.konsole");

    backlogStore.ingestBatch({inChain(event("Stop", "once", 1), {900, 901, 902})});
    const int perResolution = counting.lookups;
    ASSERT_GT(perResolution, 0);

    counting.lookups = 0;
    std::vector<ParsedHookEvent> batch;
    for (int i = 0; i < 200; ++i) {
        batch.push_back(
            inChain(event("PreToolUse", "s" + std::to_string(i % 4), i), {900, 901, 902}));
        batch.push_back(inChain(event("PreToolUse", "found", i), {800, 801, 802}));
    }
    backlogStore.ingestBatch(batch);
    EXPECT_LE(counting.lookups, 2 * perResolution);
    const auto& list = backlogStore.processes();
    auto found = std::find_if(list.begin(), list.end(), [](auto& p) { return p.id == "found"; });
    ASSERT_NE(found, list.end());
    ASSERT_TRUE(found->terminal) << "each chain is looked up on its own";
    EXPECT_EQ(found->terminal->appPID, 802);
}

TEST_F(StoreTest, PrunesGoneProcessesAndSilentSessionsWithoutEither) {
    fake.add({.pid = 50, .ppid = 1, .comm = "claude"});
    fake.add({.pid = 52, .ppid = 1, .comm = "claude", .state = 'Z'}); // killed, not collected
    fake.add({.pid = 60, .ppid = 1, .comm = "bash"});
    fake.add({.pid = 63, .ppid = 61, .comm = "bash", .state = 'Z'});
    apps.set(61, "kitty");
    auto viaKitty = [](ParsedHookEvent e, std::int32_t shell) {
        e.pidChain = std::vector<std::int32_t>{shell, 61};
        e.shellTTY = "/dev/pts/5";
        return e;
    };
    store.ingestBatch({
        event("Stop", "alive-pid", 0, std::nullopt, 50),
        event("Stop", "dead-pid", 9990, std::nullopt, 51),
        event("Stop", "zombie-pid", 9990, std::nullopt, 52),
        viaKitty(event("Stop", "alive-shell", 0), 60),
        viaKitty(event("Stop", "dead-shell", 9990), 62),
        viaKitty(event("Stop", "zombie-shell", 9990), 63),
        event("Stop", "silent-299", 10'000 - 299),
        event("Stop", "silent-301", 10'000 - 301),
    });
    published.clear();

    store.pruneDead(300);
    std::vector<std::string> left;
    for (const auto& p : store.processes()) {
        left.push_back(p.id);
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"alive-pid", "alive-shell", "silent-299"}))
        << "a process that lives is kept however old its last event";
    EXPECT_EQ(published.size(), 1u);

    std::map<std::string, std::string> reasons;
    for (const auto& e : DiagnosticLogger::recentEntries()) {
        ASSERT_EQ(e.category, "prune");
        EXPECT_EQ(e.message, "移除孤儿 session");
        EXPECT_EQ(e.severity, DiagnosticLogger::Severity::info);
        reasons[e.context.at("session_id")] = e.context.at("reason");
    }
    EXPECT_EQ(reasons, (std::map<std::string, std::string>{
                           {"dead-pid", "claude pid 51 已退出"},
                           {"dead-shell", "shell pid 62 已退出"},
                           {"zombie-pid", "claude pid 52 已退出"},
                           {"zombie-shell", "shell pid 63 已退出"},
                           {"silent-301", "无 terminal 信息且 300s 内无新事件"},
                       }));

    store.pruneDead(300);
    EXPECT_EQ(published.size(), 1u) << "nothing removed, nothing published";
}

} // namespace
} // namespace quillo
