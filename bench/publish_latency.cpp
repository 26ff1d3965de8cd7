// SPDX-License-Identifier: GPL-3.0-or-later
// From a recorder's exit to the store's publication of its event: 1,000
// recorders run one after another, spaced out, against a running watcher in a
// private home. A publication that comes before the exit was seen counts as 0;
// the time from the moment the recorder built its line is printed as well.
#include "BenchFigures.h"
#include "BenchHome.h"
#include "ChildProcess.h"
#include "events/EventLogWatcher.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using quillo::bench::percentile;

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH_TO_QuilloHook [COUNT]\n", argv[0]);
        return 2;
    }
    const std::string recorder = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
    constexpr auto spacing = std::chrono::milliseconds(10);

    // The recorders inherit it, so both sides meet in the private home.
    const auto privateHome = quillo::bench::enterPrivateHome();
    if (!privateHome) {
        return 1;
    }
    const std::filesystem::path home = *privateHome;

    QCoreApplication app(argc, argv);
    quillo::FakeApplicationIdentifier applications;
    quillo::ProcessStateStore store({quillo::ProcFs::system(), applications});
    quillo::EventLogWatcher watcher(store);
    watcher.start();

    std::vector<Clock::time_point> exited(static_cast<std::size_t>(count));
    std::vector<Clock::time_point> published(static_cast<std::size_t>(count));
    std::vector<double> sinceRecorded(static_cast<std::size_t>(count));
    std::vector<bool> seen(static_cast<std::size_t>(count), false);
    int seenCount = 0;
    QObject::connect(&store, &quillo::ProcessStateStore::processesChanged,
                     [&](const std::vector<quillo::ClaudeProcess>& list) {
                         auto now = Clock::now();
                         double wallNow = quillo::secondsSince1970(quillo::now());
                         // The newest sessions sort last.
                         for (auto it = list.rbegin(); it != list.rend(); ++it) {
                             int index = std::atoi(it->id.c_str() + 6);
                             if (index < 0 || index >= count ||
                                 seen[static_cast<std::size_t>(index)]) {
                                 break;
                             }
                             seen[static_cast<std::size_t>(index)] = true;
                             published[static_cast<std::size_t>(index)] = now;
                             sinceRecorded[static_cast<std::size_t>(index)] =
                                 (wallNow - quillo::secondsSince1970(it->startedAt)) * 1000;
                             ++seenCount;
                         }
                     });

    std::atomic<bool> driverDone{false};
    std::atomic<int> failures{0};
    std::thread driver([&] {
        for (int i = 0; i < count; ++i) {
            std::string payload = R"({"hook_event_name":"SessionStart","session_id":"bench-)" +
                                  std::to_string(i) + R"(","cwd":"/tmp/p"})";
            auto result = quillo::ChildProcess::run(
                {recorder}, {.timeLimit = std::chrono::seconds(10), .standardInput = payload});
            exited[static_cast<std::size_t>(i)] = Clock::now();
            if (!result.succeeded()) {
                ++failures;
            }
            std::this_thread::sleep_for(spacing);
        }
        driverDone = true;
    });

    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (driverDone && seenCount == count) {
            app.quit();
        }
    });
    check.start(20);
    QTimer::singleShot(std::chrono::minutes(5), &app, [&] { app.quit(); });
    app.exec();
    driver.join();
    watcher.stop();
    std::filesystem::remove_all(home);

    if (failures > 0 || seenCount != count) {
        std::fprintf(stderr, "%d recorder failures, %d of %d events published\n", failures.load(),
                     seenCount, count);
        return 1;
    }
    std::vector<double> latencies;
    int beforeExit = 0;
    for (int i = 0; i < count; ++i) {
        double ms =
            std::chrono::duration<double, std::milli>(published[static_cast<std::size_t>(i)] -
                                                      exited[static_cast<std::size_t>(i)])
                .count();
        if (ms < 0) {
            ++beforeExit;
            ms = 0;
        }
        latencies.push_back(ms);
    }
    std::printf(
        "recorder exit to store publication over %d events: median %.2f ms, p99 %.2f ms, "
        "max %.2f ms (%d published before the exit was seen; goal median <= 5, p99 <= 25)\n",
        count, percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0),
        beforeExit);
    std::printf("recorder's line written to store publication: median %.2f ms, p99 %.2f ms\n",
                percentile(sinceRecorded, 0.5), percentile(sinceRecorded, 0.99));
    return 0;
}
