// SPDX-License-Identifier: GPL-3.0-or-later
// The dashboard's figures: from a recorder's exit to the open dashboard's row
// showing the new state; the CPU the process uses while idle with the dashboard
// open and with it closed; resident memory after it has been shown and closed.
// Runs offscreen in a private home.
#include "ChildProcess.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "events/EventLogWatcher.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

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

// Runs the event loop for a while.
void idle(QApplication& app, std::chrono::seconds duration) {
    QTimer::singleShot(duration, &app, &QApplication::quit);
    app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH_TO_QuilloHook [COUNT] [IDLE_SECONDS]\n", argv[0]);
        return 2;
    }
    const std::string recorder = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    const auto idleFor = std::chrono::seconds(argc > 3 ? std::atoi(argv[3]) : 60);

    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path home = pattern;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    ::unsetenv("CLAUDE_PID");
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

    auto view = std::make_unique<quillo::DashboardView>(model, false, quillo::DashboardActions{});
    view->show();

    // One session changes state again and again; each change is timed from the
    // recorder's exit to the row showing it (painted).
    std::vector<double> latencies;
    const char* events[] = {"UserPromptSubmit", "Stop"};
    for (int i = 0; i < count; ++i) {
        const char* event = events[i % 2];
        const auto expected =
            i % 2 == 0 ? quillo::ProcessState::active : quillo::ProcessState::waitingInput;
        std::string payload = std::string(R"({"hook_event_name":")") + event +
                              R"(","session_id":"bench-session","cwd":"/tmp/p"})";
        auto result = quillo::ChildProcess::run(
            {recorder}, {.timeLimit = std::chrono::seconds(10), .standardInput = payload});
        const auto exited = Clock::now();
        if (!result.succeeded()) {
            std::fprintf(stderr, "recorder failed\n");
            return 1;
        }
        const auto deadline = exited + std::chrono::seconds(10);
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            auto* row = view->rowFor("bench-session");
            if (row != nullptr && row->process().state == expected) {
                row->repaint();
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - exited).count());
                break;
            }
            if (Clock::now() > deadline) {
                std::fprintf(stderr, "the row never showed event %d\n", i);
                return 1;
            }
        }
    }
    std::printf("recorder exit to dashboard row (%d changes): median %.2f ms, p95 %.2f ms, "
                "max %.2f ms\n",
                count, percentile(latencies, 0.5), percentile(latencies, 0.95),
                *std::max_element(latencies.begin(), latencies.end()));

    double before = cpuSeconds();
    idle(app, idleFor);
    const double open = cpuSeconds() - before;
    view->hide();
    before = cpuSeconds();
    idle(app, idleFor);
    const double closed = cpuSeconds() - before;
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
