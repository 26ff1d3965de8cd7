// SPDX-License-Identifier: GPL-3.0-or-later
// Monitor start-up with a large backlog: an events file of 100 MiB left by
// 2,000 sessions while no monitor ran, none of whose terminals can be found
// (their chains are real processes, none of them a terminal). Prints the time
// from start() to the first published table, to the whole backlog consumed,
// and the process's peak resident memory.
#include "BenchHome.h"
#include "HookEnvelope.h"
#include "ProcFs.h"
#include "ProcessChain.h"
#include "events/EventLogWatcher.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uintmax_t backlogBytes = 100u << 20;
constexpr int sessions = 2000;

// Written in pieces, so that making the file does not count towards the peak.
std::size_t writeBacklog(const std::filesystem::path& file) {
    const char* turn[] = {"UserPromptSubmit", "PreToolUse", "PreToolUse", "Stop", "Notification"};
    std::vector<std::int32_t> chain = {::getpid(), ::getppid()};
    if (auto grand = quillo::ProcessChain::parentPID(::getppid())) {
        chain.push_back(*grand);
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string piece;
    std::uintmax_t written = 0;
    std::size_t lines = 0;
    for (int i = 0; written < backlogBytes; ++i) {
        int session = i % sessions;
        nlohmann::json payload = {
            {"session_id", "5d41a8b7-0c2d-4e8a-9b6f-" + std::to_string(100000000000 + session)},
            {"transcript_path", "/home/dana/.claude/projects/-home-dana-src-atlas/x.jsonl"},
            {"cwd", "/home/dana/src/project-" + std::to_string(session)},
            {"hook_event_name", turn[(i / sessions) % 5]},
            {"tool_name", "Bash"},
            {"tool_input",
             {{"command", "make test && ./scripts/check " + std::string(300, 'x')},
              {"description", "Run the tests"}}},
        };
        piece += *quillo::HookEnvelope::encodeLine(payload,
                                                   quillo::timestampFromSeconds(1.8e9 + i * 0.001),
                                                   ::getpid(), chain, std::nullopt);
        ++lines;
        if (piece.size() > (1u << 20)) {
            out << piece;
            written += piece.size();
            piece.clear();
        }
    }
    out << piece;
    return lines;
}

double megabytes(long kilobytes) {
    return static_cast<double>(kilobytes) / 1024.0;
}

long peakKilobytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the watcher arms a file watch and timers
    const auto made = quillo::bench::makeFolder();
    if (!made) {
        return 1;
    }
    const std::filesystem::path folder = *made;
    const std::size_t lines = writeBacklog(folder / "events.jsonl");
    const long before = peakKilobytes();

    quillo::FakeApplicationIdentifier noTerminals;
    quillo::ProcessStateStore store({quillo::ProcFs::system(), noTerminals});
    quillo::EventLogWatcher watcher(store, folder);
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> firstTable;
    QObject::connect(&store, &quillo::ProcessStateStore::processesChanged, [&] {
        if (!firstTable) {
            firstTable = Clock::now();
        }
    });
    auto start = Clock::now();
    watcher.start();
    auto done = Clock::now();
    watcher.stop();
    std::filesystem::remove_all(folder);

    if (!firstTable || store.processes().size() != sessions) {
        std::fprintf(stderr, "the backlog gave %zu sessions\n", store.processes().size());
        return 1;
    }
    auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    std::printf("start-up with a %.0f MiB backlog (%zu lines, %d sessions, terminals unknown): "
                "first table after %.2f s, all consumed after %.2f s (goal <= 2 s); "
                "peak memory %.0f MB (%.0f MB before start; goal < 100 MB)\n",
                static_cast<double>(backlogBytes) / (1 << 20), lines, sessions,
                seconds(*firstTable - start), seconds(done - start), megabytes(peakKilobytes()),
                megabytes(before));
    return 0;
}
