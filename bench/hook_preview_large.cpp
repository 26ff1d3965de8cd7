// SPDX-License-Identifier: GPL-3.0-or-later
// The hook pane over a 20 MB Claude Code settings file (Claude Code's own
// layout, hundreds of thousands of permission rules): reading its status,
// making the plan, opening the preview and preparing its listing, then
// scrolling through it; then one check of the health monitor, which reads and
// validates the same file. Prints the main thread's longest block meanwhile (the
// longest gap between ticks of a 5 ms timer, less the 5 ms), how long it took,
// and the process's peak resident memory. The block is also given as the main
// thread's own processor time within it: on a busy machine a gap can be time
// the thread merely waited to be scheduled. Runs under a temporary home,
// offscreen.
#include "installer/HookHealthMonitor.h"
#include "installer/HookInstaller.h"
#include "onboarding/HookDiffView.h"
#include "platform/SettingsStore.h"
#include "settings/HookConfigDetail.h"
#include "settings/HookDiffSheet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>

using namespace quillo;

namespace {

void waitFor(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
}

long peakMemoryMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        qputenv(name, home.path().toUtf8());
    }
    const std::filesystem::path settings =
        std::filesystem::path(home.path().toStdString()) / ".claude/settings.json";
    std::filesystem::create_directories(settings.parent_path());
    std::size_t rules = 0;
    {
        // Written as text, in Claude Code's layout (": ", slashes as they are),
        // so that making it costs this process no memory.
        std::ofstream out(settings, std::ios::binary);
        out << "{\n  \"model\": \"opus\",\n  \"env\": {\n    \"EDITOR\": \"vim\"\n  },\n"
               "  \"hooks\": {\n    \"Stop\": [\n      {\n        \"matcher\": \"\",\n"
               "        \"hooks\": [\n          {\n            \"type\": \"command\",\n"
               "            \"command\": \"notify-send done\"\n          }\n        ]\n"
               "      }\n    ]\n  },\n  \"permissions\": {\n    \"allow\": [\n";
        while (out.tellp() < 20 * 1000 * 1000) {
            out << (rules > 0 ? ",\n" : "") << "      \"Bash(git -C /home/dana/projects/p" << rules
                << " log --oneline:*)\"";
            ++rules;
        }
        out << "\n    ],\n    \"deny\": [\n      \"Read(./.env)\"\n    ]\n  }\n}\n";
    }
    std::printf("settings file: %.1f MB, %zu permission rules\n",
                static_cast<double>(std::filesystem::file_size(settings)) / 1e6, rules);

    QApplication app(argc, argv);
    const long baseline = peakMemoryMiB();

    // The main thread's pulse.
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed();
    qint64 longest = 0;
    auto threadCpuMs = [] {
        rusage usage{};
        ::getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_utime.tv_sec * 1000 + usage.ru_utime.tv_usec / 1000 +
               usage.ru_stime.tv_sec * 1000 + usage.ru_stime.tv_usec / 1000;
    };
    long lastCpu = threadCpuMs();
    long longestCpu = 0; // the main thread's own work during the longest gap
    QTimer pulse;
    pulse.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        const qint64 at = clock.elapsed();
        const long cpu = threadCpuMs();
        if (at - last - 5 > longest) {
            longest = at - last - 5;
            longestCpu = cpu - lastCpu;
        }
        last = at;
        lastCpu = cpu;
    });
    pulse.start(5);
    auto settle = [&](int ms) {
        QElapsedTimer t;
        t.start();
        waitFor([&] { return t.elapsed() >= ms; });
    };
    settle(100);
    last = clock.elapsed();
    longest = 0;

    QElapsedTimer timer;
    timer.start();
    timer.restart();
    SettingsServices services;
    services.hookSetup = std::make_shared<HookInstaller::Setup>(
        HookInstaller::Setup{settings, "/usr/lib/quillo/QuilloHook", ClaudeCodeVersion{2, 1, 197}});
    HookConfigDetail pane(services);
    pane.resize(640, 480);
    pane.show();
    waitFor([&] { return !pane.readingStatus(); });
    const qint64 statusMs = timer.elapsed();
    std::printf("  longest block so far (pane shown, status read): %lld ms; peak memory %ld MiB\n",
                static_cast<long long>(longest), peakMemoryMiB());

    timer.restart();
    pane.reinstallHook();
    waitFor([&] {
        return pane.hookDiffSheet() != nullptr && pane.hookDiffSheet()->diffView()->isPrepared();
    });
    const qint64 previewMs = timer.elapsed();
    std::printf("  longest block so far (preview ready): %lld ms; peak memory %ld MiB\n",
                static_cast<long long>(longest), peakMemoryMiB());
    HookDiffSheet* sheet = pane.hookDiffSheet();
    auto* listing = sheet->diffView()->findChild<QListView*>("hookDiffListing");
    const int rows = listing->model()->rowCount();

    // Scrolling through it: the end, the middle, the start.
    timer.restart();
    for (double at : {1.0, 0.5, 0.0}) {
        QScrollBar* bar = listing->verticalScrollBar();
        bar->setValue(static_cast<int>(bar->maximum() * at));
        settle(50);
    }
    const qint64 scrollMs = timer.elapsed();
    settle(100);

    std::printf("pane status read: %lld ms; plan and preview ready: %lld ms (%d rows); "
                "scrolling: %lld ms\n",
                static_cast<long long>(statusMs), static_cast<long long>(previewMs), rows,
                static_cast<long long>(scrollMs));
    std::printf("main thread's longest block: %lld ms, of which it ran %ld ms itself\n",
                static_cast<long long>(longest), longestCpu);
    std::printf("peak resident memory: %ld MiB (%ld MiB before the pane)\n", peakMemoryMiB(),
                baseline);

    // The health monitor's check of the same file (at start, every ten
    // minutes, after a write), with the preview still open.
    MemorySettingsStore store;
    store.setBoolean(HookHealthMonitor::onboardingCompletedKey, true);
    const HookInstaller::Setup setup = *services.hookSetup;
    HookHealthMonitor health(
        store, [setup] { return HookInstaller::validate(setup); }, nullptr,
        [settings] { return HookInstaller::unreadableSettings(settings); });
    settle(100);
    last = clock.elapsed();
    lastCpu = threadCpuMs();
    longest = 0;
    longestCpu = 0;
    timer.restart();
    health.checkNow();
    waitFor([&] { return !health.isChecking(); });
    const qint64 checkMs = timer.elapsed();
    settle(50);
    std::printf("health check: %lld ms (error: %s); main thread's longest block meanwhile: "
                "%lld ms, of which it ran %ld ms itself\n",
                static_cast<long long>(checkMs), health.hasError() ? "yes" : "no",
                static_cast<long long>(longest), longestCpu);
    std::printf("peak resident memory after the health check: %ld MiB\n", peakMemoryMiB());
    return 0;
}
