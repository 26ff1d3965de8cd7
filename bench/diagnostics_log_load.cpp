// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics window on a full log: 10 MiB of entries from the last hour
// (the size at which the log is capped). Prints how long reading takes, which
// happens in the background, and how long the main thread is busy: making the
// window, taking the loaded entries, and switching the filter.
// Runs under a temporary home, offscreen.
#include "DiagnosticLogger.h"
#include "diagnostics/DiagnosticLogView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace quillo;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        qputenv(name, home.path().toUtf8());
    }
    QApplication app(argc, argv);

    std::filesystem::create_directories(DiagnosticLogger::fileURL().parent_path());
    int written = 0;
    {
        std::ofstream out(DiagnosticLogger::fileURL(), std::ios::binary);
        const double start = secondsSince1970(now()) - 3600;
        while (out.tellp() < 10 * 1024 * 1024) {
            const DiagnosticLogger::Entry entry{
                DiagnosticLogger::makeUUID(),
                timestampFromSeconds(start + written * 0.05),
                written % 3 == 0 ? DiagnosticLogger::Severity::error
                                 : DiagnosticLogger::Severity::info,
                written % 2 == 0 ? "transport" : "switch",
                "GNOME Terminal 未匹配到 tty, 仅激活 app #" + std::to_string(written),
                {{"tty", "/dev/pts/4"}, {"pid", std::to_string(written)}}};
            out << *DiagnosticLogger::encodeEntry(entry) << '\n';
            ++written;
        }
    }
    std::printf("log: 10 MiB, %d entries\n", written);

    QElapsedTimer timer;
    timer.start();
    const auto entries = DiagnosticLogger::recentEntries();
    std::printf("reading the log (background thread): %lld ms for %zu entries\n",
                static_cast<long long>(timer.elapsed()), entries.size());

    timer.restart();
    DiagnosticLogView view(systemDiagnosticLog());
    view.resize(720, 480);
    view.show();
    std::printf("making and showing the window (main thread): %lld ms, reading in background: %s\n",
                static_cast<long long>(timer.elapsed()), view.isLoading() ? "yes" : "no");

    QEventLoop wait;
    QObject::connect(&view, &DiagnosticLogView::entriesLoaded, &wait, [&] { wait.quit(); });
    timer.restart();
    wait.exec();
    std::printf("window ready with all entries after: %lld ms\n",
                static_cast<long long>(timer.elapsed()));

    // What the main thread does with entries once they are read: filter, list
    // model and the first layout (the entries themselves are moved, not
    // copied).
    auto prepared = std::make_shared<std::vector<DiagnosticLogger::Entry>>(entries);
    DiagnosticLogSource handedOver = memoryDiagnosticLog({}, DiagnosticLogger::fileURL());
    handedOver.load = [prepared] { return std::move(*prepared); };
    timer.restart();
    DiagnosticLogView handOver(handedOver);
    handOver.resize(720, 480);
    handOver.show();
    QApplication::processEvents();
    std::printf("taking %zu read entries into the list (main thread): %lld ms\n",
                handOver.entries().size(), static_cast<long long>(timer.elapsed()));

    timer.restart();
    handOver.setFilter(DiagnosticLogger::Severity::error);
    QApplication::processEvents();
    std::printf("switching to errors only, %zu rows (main thread): %lld ms\n",
                handOver.shownEntries().size(), static_cast<long long>(timer.elapsed()));
    return 0;
}
