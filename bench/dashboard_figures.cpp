// SPDX-License-Identifier: GPL-3.0-or-later
// The dashboard's figures: from a recorder's exit to the open dashboard's row
// showing the new state; the CPU the process uses while idle with the dashboard
// open and with it closed; resident memory after it has been shown and closed.
// With --sessions N, N live sessions fill the store first (the changing one is
// the top row), and one line sums the figures up, with the main thread's CPU
// per state change and how long the dashboard takes to open.
// Runs offscreen in a private home.
#include "BenchFigures.h"
#include "BenchHome.h"
#include "ChildProcess.h"
#include "PaintCounter.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "events/EventLogWatcher.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quillo::bench::PaintCounter;
using quillo::bench::percentile;

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return 0;
}

double threadCpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs the event loop for a while.
void idle(QApplication& app, std::chrono::seconds duration) {
    QTimer::singleShot(duration, &app, &QApplication::quit);
    app.exec();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    int sessions = 0; // 0: only the changing session, and the long report
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--sessions" && i + 1 < argc) {
            sessions = std::max(1, std::atoi(argv[++i]));
        } else {
            positional.emplace_back(argv[i]);
        }
    }
    if (positional.empty()) {
        std::fprintf(stderr, "usage: %s PATH_TO_QuilloHook [COUNT] [IDLE_SECONDS] [--sessions N]\n",
                     argv[0]);
        return 2;
    }
    const std::string recorder = positional[0];
    const int count = positional.size() > 1 ? std::atoi(positional[1].c_str()) : 200;
    const auto idleFor =
        std::chrono::seconds(positional.size() > 2 ? std::atoi(positional[2].c_str()) : 60);

    // The recorders inherit it, so both sides meet in the private home.
    const auto privateHome = quillo::bench::enterPrivateHome();
    if (!privateHome) {
        return 1;
    }
    const std::filesystem::path home = *privateHome;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    quillo::applyDarkPalette(app);
    quillo::Symbols::loadFont();
    quillo::FakeApplicationIdentifier applications;
    quillo::ProcessStateStore store({quillo::ProcFs::system(), applications});
    quillo::EventLogWatcher watcher(store);
    quillo::DashboardModel model;
    QObject::connect(&store, &quillo::ProcessStateStore::processesChanged, &model,
                     &quillo::DashboardModel::setProcesses);
    watcher.start();

    auto record = [&](const std::string& event, const std::string& session) {
        std::string payload = R"({"hook_event_name":")" + event + R"(","session_id":")" + session +
                              R"(","cwd":"/tmp/p"})";
        return quillo::ChildProcess::run(
                   {recorder}, {.timeLimit = std::chrono::seconds(10), .standardInput = payload})
            .succeeded();
    };
    if (sessions > 0) {
        // The changing session first, so that its row is the top one; the
        // others in the three live states, all breathing.
        const char* liveEvents[] = {"UserPromptSubmit", "Stop", "PermissionRequest"};
        for (int i = 0; i < sessions; ++i) {
            std::string id = "bench-session";
            if (i > 0) {
                id = "s";
                id += std::to_string(i);
            }
            if (!record(liveEvents[i % 3], id)) {
                std::fprintf(stderr, "recorder failed\n");
                return 1;
            }
        }
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (model.processes().size() < static_cast<std::size_t>(sessions)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (Clock::now() > deadline) {
                std::fprintf(stderr, "the store never held %d sessions\n", sessions);
                return 1;
            }
        }
    }

    // Made before it is needed, as the status item's popover is; then opened,
    // timed to its first paint.
    auto view = std::make_unique<quillo::DashboardView>(model, false, quillo::DashboardActions{});
    PaintCounter painted;
    view->installEventFilter(&painted);
    const auto opening = Clock::now();
    const double cpuAtOpening = threadCpuMilliseconds();
    view->show();
    while (painted.paints == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - opening).count();
    const double openCpuMs = threadCpuMilliseconds() - cpuAtOpening;
    view->removeEventFilter(&painted);

    // One session changes state again and again; each change is timed from the
    // recorder's exit to the row showing it (painted).
    // The main thread's CPU from the recorder's exit to the painted row is
    // what one state change costs it.
    std::vector<double> latencies;
    std::vector<double> mainThread;
    const char* events[] = {"UserPromptSubmit", "Stop"};
    for (int i = 0; i < count; ++i) {
        const char* event = events[i % 2];
        const auto expected =
            i % 2 == 0 ? quillo::ProcessState::active : quillo::ProcessState::waitingInput;
        if (!record(event, "bench-session")) {
            std::fprintf(stderr, "recorder failed\n");
            return 1;
        }
        const auto exited = Clock::now();
        const double cpuAtExit = threadCpuMilliseconds();
        const auto deadline = exited + std::chrono::seconds(10);
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            auto* row = view->rowFor("bench-session");
            if (row != nullptr && row->process().state == expected) {
                row->repaint();
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - exited).count());
                mainThread.push_back(threadCpuMilliseconds() - cpuAtExit);
                break;
            }
            if (Clock::now() > deadline) {
                std::fprintf(stderr, "the row never showed event %d\n", i);
                return 1;
            }
        }
    }
    if (sessions == 0) {
        std::printf("recorder exit to dashboard row (%d changes): median %.2f ms, p95 %.2f ms, "
                    "max %.2f ms\n",
                    count, percentile(latencies, 0.5), percentile(latencies, 0.95),
                    *std::max_element(latencies.begin(), latencies.end()));
    }

    double before = cpuSeconds();
    idle(app, idleFor);
    const double open = cpuSeconds() - before;
    const double residentOpen = residentMiB();
    view->hide();
    before = cpuSeconds();
    idle(app, idleFor);
    const double closed = cpuSeconds() - before;
    if (sessions > 0) {
        const double seconds = static_cast<double>(idleFor.count());
        double mainThreadSum = 0;
        for (double ms : mainThread) {
            mainThreadSum += ms;
        }
        std::printf("dashboard (%d sessions): idle CPU open %.2f %%, closed %.2f %%, event to row "
                    "p50 %.2f ms, main thread per event %.2f ms, RSS %.1f MiB\n",
                    sessions, 100 * open / seconds, 100 * closed / seconds,
                    percentile(latencies, 0.5),
                    mainThreadSum / static_cast<double>(mainThread.size()), residentOpen);
        std::printf("dashboard (%d sessions): opens in %.1f ms (main thread CPU %.1f ms)\n",
                    sessions, openMs, openCpuMs);
        watcher.stop();
        std::filesystem::remove_all(home);
        return 0;
    }
    std::printf("CPU over %lld s idle: dashboard open %.3f s (%.2f %%), closed %.3f s (%.2f %%)\n",
                static_cast<long long>(idleFor.count()), open,
                100 * open / static_cast<double>(idleFor.count()), closed,
                100 * closed / static_cast<double>(idleFor.count()));
    view.reset();
    QCoreApplication::processEvents();
    std::printf("resident memory after the dashboard was shown and closed: %.1f MiB\n",
                residentMiB());

    watcher.stop();
    std::filesystem::remove_all(home);
    return 0;
}
