// SPDX-License-Identifier: GPL-3.0-or-later
// From a recorder's exit to the desktop notice's Notify call arriving at the
// notification server: recorders put sessions into waiting for permission, one
// after another, against a running watcher, store and notice policy in a
// private home, with a stand-in server on a private session bus. Each session
// ends before the next starts, so every notice is a fresh one.
#include "BenchFigures.h"
#include "BenchHome.h"
#include "ChildProcess.h"
#include "StandInNotificationServer.h"
#include "events/EventLogWatcher.h"
#include "notices/DBusNotifier.h"
#include "notices/SessionNotices.h"
#include "platform/FakeApplicationIdentifier.h"
#include "platform/SettingsStore.h"
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
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    constexpr auto spacing = std::chrono::milliseconds(10);

    // The recorders inherit it, so both sides meet in the private home.
    const auto privateHome = quillo::bench::enterPrivateHome();
    if (!privateHome) {
        return 1;
    }
    const std::filesystem::path home = *privateHome;

    QCoreApplication app(argc, argv);
    quillo::test::PrivateBus bus;
    if (bus.address.isEmpty()) {
        std::fprintf(stderr, "dbus-daemon could not be started\n");
        return 1;
    }
    QDBusConnection serverConnection = bus.connect(QStringLiteral("server"));
    quillo::test::StandInNotificationServer server(serverConnection);
    if (!server.start()) {
        std::fprintf(stderr, "the stand-in server could not take its name\n");
        return 1;
    }

    quillo::FakeApplicationIdentifier applications;
    quillo::ProcessStateStore store({quillo::ProcFs::system(), applications});
    quillo::MemorySettingsStore settings;
    quillo::DBusNotifier notifier(bus.connect(QStringLiteral("monitor")));
    quillo::SessionNotices notices(notifier, settings);
    QObject::connect(&store, &quillo::ProcessStateStore::processesChanged, &notices,
                     [&notices](const std::vector<quillo::ClaudeProcess>& processes) {
                         notices.update(processes);
                     });
    quillo::EventLogWatcher watcher(store);
    watcher.start();

    std::vector<Clock::time_point> exited(static_cast<std::size_t>(count));
    std::vector<Clock::time_point> arrived(static_cast<std::size_t>(count));
    std::vector<double> sinceRecorded(static_cast<std::size_t>(count));
    std::vector<std::atomic<bool>> seen(static_cast<std::size_t>(count));
    server.onNotify = [&](const quillo::test::StandInNotificationServer::Notify& notify) {
        const double wallNow = quillo::secondsSince1970(quillo::now());
        const int index = std::atoi(notify.summary.toStdString().c_str() + 6);
        if (index < 0 || index >= count) {
            return;
        }
        const auto at = static_cast<std::size_t>(index);
        arrived[at] = notify.arrived;
        // The session's start is the time the recorder put on its line.
        for (const quillo::ClaudeProcess& process : store.processes()) {
            if (process.name == notify.summary.toStdString()) {
                sinceRecorded[at] = (wallNow - quillo::secondsSince1970(process.startedAt)) * 1000;
            }
        }
        seen[at] = true;
    };

    std::atomic<bool> driverDone{false};
    std::atomic<int> failures{0};
    std::thread driver([&] {
        // Wait until the policy knows the server.
        while (!notifier.isAvailable()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (int i = 0; i < count && failures == 0; ++i) {
            const std::string session = "bench-" + std::to_string(i);
            const std::string common =
                R"("session_id":")" + session + R"(","cwd":"/tmp/)" + session + R"(")";
            auto result = quillo::ChildProcess::run(
                {recorder}, {.timeLimit = std::chrono::seconds(10),
                             .standardInput = R"({"hook_event_name":"PermissionRequest",)" +
                                              common + R"(,"tool_name":"Bash"})"});
            exited[static_cast<std::size_t>(i)] = Clock::now();
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            while (!seen[static_cast<std::size_t>(i)] && Clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (!result.succeeded() || !seen[static_cast<std::size_t>(i)]) {
                ++failures;
            }
            quillo::ChildProcess::run(
                {recorder},
                {.timeLimit = std::chrono::seconds(10),
                 .standardInput = R"({"hook_event_name":"SessionEnd",)" + common + "}"});
            std::this_thread::sleep_for(spacing);
        }
        driverDone = true;
    });

    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (driverDone) {
            app.quit();
        }
    });
    check.start(20);
    app.exec();
    driver.join();
    watcher.stop();
    std::filesystem::remove_all(home);

    if (failures > 0) {
        std::fprintf(stderr, "a recorder failed or its notice did not arrive within 10 s\n");
        return 1;
    }
    std::vector<double> latencies;
    int beforeExit = 0;
    for (int i = 0; i < count; ++i) {
        double ms = std::chrono::duration<double, std::milli>(arrived[static_cast<std::size_t>(i)] -
                                                              exited[static_cast<std::size_t>(i)])
                        .count();
        // The line is written before the recorder exits, so the notice can
        // beat the moment its exit is seen.
        if (ms < 0) {
            ++beforeExit;
            ms = 0;
        }
        latencies.push_back(ms);
    }
    std::printf("recorder exit to the notice's Notify call at the server over %d permission "
                "waits: median %.2f ms, p99 %.2f ms, max %.2f ms (%d arrived before the exit was "
                "seen; goal median <= 50)\n",
                count, percentile(latencies, 0.5), percentile(latencies, 0.99),
                percentile(latencies, 1.0), beforeExit);
    std::printf("recorder's line written to the Notify call: median %.2f ms, p99 %.2f ms\n",
                percentile(sinceRecorded, 0.5), percentile(sinceRecorded, 0.99));
    return 0;
}
