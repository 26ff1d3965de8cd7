// SPDX-License-Identifier: GPL-3.0-or-later
// Many recorders writing at once against a running watcher: every event must
// reach the store exactly once.
#include "ChildProcess.h"
#include "EventCounts.h"
#include "FakeProc.h"
#include "MonitoringSupport.h"
#include "TempDir.h"
#include "events/EventLogWatcher.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

namespace quillo {
namespace {

using namespace test;

constexpr int recorders = 32;
constexpr int eventsPerRecorder = 200;

// Recorders writing while the monitor consumes a large backlog: a recorder
// that opened the file just before it was moved aside used to wait for the
// whole backlog to be read and then write into the copy, which was deleted.
// Every event must arrive; how long the recorders took is printed.
TEST(WatcherStress, RecordersWritingWhileABacklogIsConsumedLoseNothing) {
    TempHome home;
    std::filesystem::create_directories(home.appSupport());
    {
        std::string backlog;
        for (int i = 0; backlog.size() < (40u << 20); ++i) {
            backlog += envelopeLine("PreToolUse", "backlog-" + std::to_string(i % 500), i,
                                    {{"tool_input", {{"content", std::string(400, 'b')}}}});
        }
        writeFile(home.eventsFile(), backlog);
    }
    FakeProc fake;
    FakeApplicationIdentifier apps;
    ProcessStateStore store{{fake.proc(), apps}};
    EventLogWatcher watcher{store};
    std::map<std::string, int> seen;
    QObject::connect(&watcher, &EventLogWatcher::batchIngested,
                     [&](const std::vector<ParsedHookEvent>& events) {
                         for (const auto& e : events) {
                             if (!e.sessionId.starts_with("backlog-")) {
                                 ++seen[e.sessionId];
                             }
                         }
                     });
    qtApp();

    constexpr int writers = 4;
    constexpr int perWriter = 60;
    std::atomic<int> finished{0};
    std::atomic<long> slowestMs{0};
    std::vector<std::thread> workers;
    const auto environment = home.environment();
    for (int w = 0; w < writers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < perWriter; ++i) {
                std::string payload = R"({"hook_event_name":"Stop","session_id":")" +
                                      std::to_string(w) + "-" + std::to_string(i) + R"("})";
                auto begin = std::chrono::steady_clock::now();
                ChildProcess::run({QUILLO_HOOK_UNSANITIZED_BINARY},
                                  {.timeLimit = std::chrono::seconds(60),
                                   .standardInput = payload,
                                   .extraEnvironment = environment});
                long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - begin)
                              .count();
                long previous = slowestMs;
                while (ms > previous && !slowestMs.compare_exchange_weak(previous, ms)) {
                }
            }
            ++finished;
        });
    }
    watcher.start(); // consumes the backlog while the recorders write
    spinUntil([&] { return finished == writers; }, std::chrono::minutes(5));
    for (auto& t : workers) {
        t.join();
    }
    watcher.processPending();
    std::printf("slowest recorder while a 40 MiB backlog was consumed: %ld ms\n", slowestMs.load());
    expectEachEventOnce(seen, writers, perWriter);
}

TEST(WatcherStress, EveryEventOfConcurrentRecordersReachesTheStoreOnce) {
    TempHome home;
    FakeProc fake;
    FakeApplicationIdentifier apps;
    ProcessStateStore store{{fake.proc(), apps}};
    EventLogWatcher watcher{store};
    std::map<std::string, int> seen;
    int batches = 0;
    QObject::connect(&watcher, &EventLogWatcher::batchIngested,
                     [&](const std::vector<ParsedHookEvent>& events) {
                         ++batches;
                         for (const auto& e : events) {
                             ++seen[e.sessionId];
                         }
                     });
    qtApp();
    watcher.start();

    std::atomic<int> finished{0};
    std::atomic<int> failedRuns{0};
    std::vector<std::thread> workers;
    const auto environment = home.environment();
    for (int w = 0; w < recorders; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < eventsPerRecorder; ++i) {
                std::string id = std::to_string(w) + "-" + std::to_string(i);
                std::string payload = R"({"hook_event_name":"SessionStart","session_id":")" + id +
                                      R"(","cwd":"/work/p)" + id + R"("})";
                auto result = ChildProcess::run({QUILLO_HOOK_UNSANITIZED_BINARY},
                                                {.timeLimit = std::chrono::seconds(60),
                                                 .standardInput = payload,
                                                 .extraEnvironment = environment});
                if (!result.succeeded()) {
                    ++failedRuns;
                }
            }
            ++finished;
        });
    }
    spinUntil([&] { return finished == recorders; }, std::chrono::minutes(5));
    for (auto& t : workers) {
        t.join();
    }
    // Whatever the last notification has not picked up yet.
    watcher.processPending();

    EXPECT_EQ(failedRuns, 0);
    EXPECT_GT(batches, 10) << "the watcher should have consumed while the recorders ran";
    expectEachEventOnce(seen, recorders, eventsPerRecorder);
    EXPECT_EQ(store.processes().size(), std::size_t(recorders * eventsPerRecorder));
    EXPECT_EQ(std::filesystem::file_size(watcher.eventsFile()), 0u);
}

} // namespace
} // namespace quillo
