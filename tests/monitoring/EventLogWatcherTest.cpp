// SPDX-License-Identifier: GPL-3.0-or-later
#include "events/EventLogWatcher.h"
#include "ChildProcess.h"
#include "DiagnosticLogger.h"
#include "EventsFile.h"
#include "FakeProc.h"
#include "MonitoringSupport.h"
#include "TempDir.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo {
namespace {

using namespace test;
using namespace std::chrono_literals;

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class WatcherTest : public ::testing::Test {
protected:
    WatcherTest() {
        qtApp();
        std::filesystem::create_directories(folder);
        QObject::connect(
            &watcher, &EventLogWatcher::batchIngested,
            [this](const std::vector<ParsedHookEvent>& events) { batches.push_back(events); });
        QObject::connect(&store, &ProcessStateStore::processesChanged,
                         [this](const std::vector<ClaudeProcess>&) { ++publications; });
    }

    std::vector<std::string> ingestedNames() const {
        std::vector<std::string> names;
        for (const auto& batch : batches) {
            for (const auto& e : batch) {
                names.push_back(e.eventName + ":" + e.sessionId);
            }
        }
        return names;
    }

    std::filesystem::path events() const { return watcher.eventsFile(); }
    void append(const std::string& line) { ASSERT_TRUE(EventsFile::appendLine(events(), line)); }

    TempDir dir;
    std::filesystem::path folder = dir.path() / "quillo";
    FakeProc fake;
    FakeApplicationIdentifier apps;
    ProcessStateStore store{{fake.proc(), apps}};
    EventLogWatcher watcher{store, folder};
    std::vector<std::vector<ParsedHookEvent>> batches;
    int publications = 0;
};

TEST(WatcherLines, SplitsOnLineFeedsDroppingEmptyPieces) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(EventLogWatcher::splitLines("a\n\n\nb\r\nc"), (V{"a", "b\r", "c"}));
    EXPECT_EQ(EventLogWatcher::splitLines("\n\n"), V{});
    EXPECT_EQ(EventLogWatcher::splitLines(""), V{});
    EXPECT_EQ(EventLogWatcher::processingFileName(1733500000123),
              "events.processing.1733500000123.jsonl");
}

TEST_F(WatcherTest, StartConsumesLeftoverCopiesOldestFirstThenTheEventsFile) {
    // A monitor killed while consuming left two copies behind.
    writeFile(folder / "events.processing.1700000000200.jsonl", envelopeLine("Stop", "s", 2));
    writeFile(folder / "events.processing.999.jsonl", envelopeLine("SessionStart", "s", 1));
    writeFile(folder / "events.processing.notes.jsonl", "not a copy of ours\n");
    writeFile(events(),
              envelopeLine("Notification", "s", 3, {{"notification_type", "permission_prompt"}}));

    watcher.start();
    EXPECT_EQ(ingestedNames(),
              (std::vector<std::string>{"SessionStart:s", "Stop:s", "Notification:s"}));
    EXPECT_EQ(batches.size(), 3u);
    ASSERT_EQ(store.processes().size(), 1u);
    EXPECT_EQ(store.processes()[0].state, ProcessState::waitingPermission);
    EXPECT_EQ(filesIn(folder),
              (std::vector<std::string>{"events.jsonl", "events.processing.notes.jsonl"}));
    EXPECT_EQ(fileMode(events()), 0600u);
    EXPECT_EQ(fileMode(folder), 0700u);
    EXPECT_TRUE(watcher.isArmed());
}

TEST_F(WatcherTest, AnEmptyFileIsLeftAlone) {
    watcher.start();
    watcher.processPending();
    EXPECT_EQ(publications, 0);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"events.jsonl"});
}

TEST_F(WatcherTest, LinesThatAreNoEventsAreConsumedWithoutCallingTheStore) {
    writeFile(events(),
              "\n\n{\"raw\":\"not json from stdin\",\"recorded_at\":1}\n[1,2]\n{broken\n\r\n");
    watcher.processPending();
    EXPECT_EQ(publications, 0);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"events.jsonl"});
    EXPECT_EQ(readFile(events()), "");
}

TEST_F(WatcherTest, ParsesALastLineWithoutLineFeedAndDropsATruncatedOne) {
    std::string truncated = envelopeLine("Stop", "cut", 1);
    truncated.resize(truncated.size() - 3);
    std::string last = envelopeLine("Stop", "last", 3);
    last.pop_back();
    writeFile(events(), envelopeLine("SessionStart", "first", 1) + truncated + "\n" + last);
    watcher.processPending();
    EXPECT_EQ(ingestedNames(), (std::vector<std::string>{"SessionStart:first", "Stop:last"}));
    EXPECT_EQ(publications, 1);
}

TEST_F(WatcherTest, AppendedLinesArriveThroughTheFileWatch) {
    watcher.start();
    for (int i = 0; i < 3; ++i) {
        append(envelopeLine("SessionStart", "s" + std::to_string(i)));
        // Well inside the 5-second fallback: this is the file watch at work,
        // also after each consumption replaced the file.
        ASSERT_TRUE(spinUntil([&] { return store.processes().size() == std::size_t(i + 1); }, 4s));
    }
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"events.jsonl"});
}

TEST_F(WatcherTest, RecoversWhenTheFileIsDeletedOrReplacedFromOutside) {
    watcher.start();
    std::filesystem::remove(events());
    ASSERT_TRUE(
        spinUntil([&] { return std::filesystem::exists(events()) && watcher.isArmed(); }, 4s));
    EXPECT_EQ(fileMode(events()), 0600u);
    append(envelopeLine("SessionStart", "after-delete"));
    ASSERT_TRUE(spinUntil([&] { return store.processes().size() == 1; }, 4s));

    // The recorder's trim replaces the file by renaming a new one over it.
    writeFile(folder / "replacement", envelopeLine("SessionStart", "after-replace"));
    std::filesystem::rename(folder / "replacement", events());
    ASSERT_TRUE(spinUntil([&] { return store.processes().size() == 2; }, 4s));
    append(envelopeLine("SessionStart", "on-the-new-file"));
    ASSERT_TRUE(spinUntil([&] { return store.processes().size() == 3; }, 4s));
}

TEST_F(WatcherTest, LeavesACopyThatAnotherMonitorIsConsuming) {
    auto copy = folder / "events.processing.5.jsonl";
    writeFile(copy, envelopeLine("SessionStart", "theirs"));
    int fd = ::open(copy.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    watcher.start();
    ::close(fd);
    EXPECT_EQ(publications, 0);
    EXPECT_TRUE(std::filesystem::exists(copy));
}

// The copy is read in pieces: lines that straddle two pieces, and one longer
// than a piece, arrive whole and in file order.
TEST_F(WatcherTest, ReadsABacklogLargerThanItsReadPiecesLineByLine) {
    std::string backlog;
    std::vector<std::string> expected;
    for (int i = 0; i < 30000; ++i) {
        backlog += envelopeLine("PreToolUse", "s" + std::to_string(i % 7), i,
                                {{"pad", std::string(i % 97, 'p')}});
        expected.push_back("PreToolUse:s" + std::to_string(i % 7));
        if (i == 12345) {
            backlog += envelopeLine("Stop", "long", i, {{"content", std::string(3 << 20, 'c')}});
            expected.push_back("Stop:long");
        }
    }
    backlog += envelopeLine("Stop", "last", 1e6);
    backlog.pop_back(); // a last line without a line feed
    expected.push_back("Stop:last");
    writeFile(events(), backlog);

    watcher.start();
    EXPECT_EQ(ingestedNames(), expected);
    EXPECT_EQ(store.processes().size(), 9u);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"events.jsonl"});
}

int noLock(int, int) {
    errno = ENOLCK;
    return -1;
}

// Home folders on NFS or SMB may not lock at all: the monitor consumes all
// the same instead of retrying for ever.
TEST_F(WatcherTest, ConsumesWhereTheFileSystemCannotLock) {
    EventsFile::setLockFunctionForTesting(&noLock);
    writeFile(events(), envelopeLine("SessionStart", "s", 1));
    watcher.start();
    append(envelopeLine("Stop", "s", 2));
    EXPECT_TRUE(spinUntil([&] { return ingestedNames().size() == 2; }));
    EventsFile::setLockFunctionForTesting(nullptr);
    EXPECT_EQ(ingestedNames(), (std::vector<std::string>{"SessionStart:s", "Stop:s"}));
}

// `flock -s events.jsonl sleep 12`: another program holding a lock on the
// events file holds up consumption, but never the main thread: each attempt is
// a single try, retried from the event loop. The stall is logged once, with
// who holds the lock, and its end once.
int exclusiveTries = 0;
int countingLock(int fd, int operation) {
    exclusiveTries += (operation & LOCK_EX) != 0;
    return ::flock(fd, operation);
}

TEST_F(WatcherTest, AHeldLockNeverBlocksTheMainThreadAndTheStallIsLoggedOnce) {
    TempHome home; // for the diagnostic log
    writeFile(events(), envelopeLine("SessionStart", "held", 1));
    int holder = ::open(events().c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);
    EventsFile::setLockFunctionForTesting(&countingLock);
    exclusiveTries = 0;
    watcher.start();
    EXPECT_EQ(exclusiveTries, 1) << "one try, no waiting on the main thread";
    auto stallEntries = [] {
        int count = 0;
        for (const auto& entry : DiagnosticLogger::recentEntries()) {
            count +=
                entry.category == "events" && entry.severity == DiagnosticLogger::Severity::warning;
        }
        return count;
    };
    ASSERT_TRUE(spinUntil([&] { return stallEntries() == 1; }));
    const int tries = exclusiveTries;
    ASSERT_TRUE(spinUntil([&] { return exclusiveTries >= tries + 3; }));
    EXPECT_EQ(stallEntries(), 1) << "logged once, not at every try";
    EXPECT_TRUE(batches.empty());
    auto entries = DiagnosticLogger::recentEntries();
    EXPECT_NE(entries.back().context.at("holders").find(std::to_string(::getpid())),
              std::string::npos);

    ::close(holder);
    ASSERT_TRUE(spinUntil([&] { return store.processes().size() == 1; }));
    EventsFile::setLockFunctionForTesting(nullptr);
    entries = DiagnosticLogger::recentEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.front().severity, DiagnosticLogger::Severity::info);
}

// A FIFO at the events file's place must not hang the monitor's main thread.
TEST_F(WatcherTest, LeavesAFifoAtTheEventsFileAloneWithoutBlocking) {
    ASSERT_EQ(::mkfifo(events().c_str(), 0600), 0);
    watcher.start();
    watcher.processPending();
    EXPECT_TRUE(batches.empty());
    struct stat info {};
    ASSERT_EQ(::stat(events().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// Lines written through a link went elsewhere and are not the monitor's to
// read; the link is replaced by a file of its own (and said so), and nothing
// is moved aside that would then never be read.
TEST_F(WatcherTest, ALinkAtTheEventsFileIsReplacedAndNothingIsLeftBehind) {
    TempHome home; // for the diagnostic log
    auto target = dir.path() / "elsewhere.jsonl";
    const std::string theirs = envelopeLine("SessionStart", "through-the-link");
    writeFile(target, theirs);
    std::filesystem::create_symlink(target, events());
    watcher.start();
    EXPECT_TRUE(batches.empty());
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"events.jsonl"});
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(events())));
    EXPECT_EQ(readFile(target), theirs);
    append(envelopeLine("SessionStart", "own"));
    ASSERT_TRUE(spinUntil([&] { return store.processes().size() == 1; }, 4s));
    auto entries = DiagnosticLogger::recentEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].category, "events");
    EXPECT_EQ(entries[0].context.at("target"), target.string());

    // One put there while the monitor runs.
    std::filesystem::create_symlink(target, folder / "link");
    std::filesystem::rename(folder / "link", events());
    ASSERT_TRUE(spinUntil(
        [&] {
            return std::filesystem::is_regular_file(std::filesystem::symlink_status(events())) &&
                   watcher.isArmed();
        },
        4s));
    append(envelopeLine("SessionStart", "own-again"));
    ASSERT_TRUE(spinUntil([&] { return store.processes().size() == 2; }, 4s));
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"events.jsonl"});
    EXPECT_EQ(ingestedNames(),
              (std::vector<std::string>{"SessionStart:own", "SessionStart:own-again"}));
}

TEST(WatcherWithRecorder, ASessionAppearsChangesStateAndEnds) {
    TempHome home;
    FakeProc fake;
    FakeApplicationIdentifier apps;
    ProcessStateStore store{{fake.proc(), apps}};
    EventLogWatcher watcher{store};
    qtApp();
    watcher.start();
    ASSERT_EQ(watcher.eventsFile(), home.eventsFile());

    auto feed = [&](const std::string& fixture) {
        auto result =
            ChildProcess::run({QUILLO_HOOK_BINARY}, {.timeLimit = std::chrono::seconds(30),
                                                     .standardInput = testData(fixture),
                                                     .extraEnvironment = home.environment()});
        ASSERT_TRUE(result.succeeded());
    };
    auto stateIs = [&](ProcessState state) {
        return [&store, state] {
            return store.processes().size() == 1 && store.processes()[0].state == state;
        };
    };

    feed("hook-session-start.json");
    ASSERT_TRUE(spinUntil(stateIs(ProcessState::waitingInput)));
    const ClaudeProcess first = store.processes()[0];
    EXPECT_EQ(first.id, "7f3b9c2e-5d41-4e8a-9b6f-0c2d1e4a8b73");
    EXPECT_EQ(first.name, "atlas");
    EXPECT_TRUE(first.claudePID.has_value());

    feed("hook-user-prompt-submit.json");
    ASSERT_TRUE(spinUntil(stateIs(ProcessState::active)));
    feed("hook-stop.json");
    ASSERT_TRUE(spinUntil(stateIs(ProcessState::waitingInput)));
    feed("hook-notification-permission-prompt.json");
    ASSERT_TRUE(spinUntil(stateIs(ProcessState::waitingPermission)));
    feed("hook-notification-idle-prompt.json");
    ASSERT_TRUE(spinUntil(stateIs(ProcessState::waitingInput)));
    EXPECT_EQ(store.processes()[0].startedAt, first.startedAt);

    feed("hook-session-end.json");
    ASSERT_TRUE(spinUntil([&] { return store.processes().empty(); }));
}

} // namespace
} // namespace quillo
