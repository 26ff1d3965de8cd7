// SPDX-License-Identifier: GPL-3.0-or-later
// Ingestion throughput of the monitor: an events file of 100,000 lines is
// consumed the way the watcher does it (moved aside, split, parsed on the
// threads the watcher uses, folded into the store, which publishes). Twenty
// sessions cycle through a turn each; their terminals resolve on the first
// event, as they do in real use. Fifteen rounds, so that one slow moment of
// the machine does not move the median.
#include "BenchHome.h"
#include "HookEnvelope.h"
#include "HookEnvelopeReaders.h"
#include "events/EventLogWatcher.h"
#include "events/ParallelLineParser.h"
#include "platform/FakeApplicationIdentifier.h"
#include "state/ProcessStateStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int lineCount = 100'000;
constexpr int sessions = 20;
constexpr int rounds = 15;

std::string makeEventsFile() {
    const char* turn[] = {"UserPromptSubmit", "PreToolUse", "PreToolUse",
                          "PreToolUse",       "Stop",       "Notification"};
    std::string text;
    for (int i = 0; i < lineCount; ++i) {
        int session = i % sessions;
        std::int32_t claude = 10'000 + session * 10;
        nlohmann::json payload = {
            {"session_id", "5d41a8b7-0c2d-4e8a-9b6f-" + std::to_string(100000000000 + session)},
            {"transcript_path", "/home/dana/.claude/projects/-home-dana-src-atlas/x.jsonl"},
            {"cwd", "/home/dana/src/project-" + std::to_string(session)},
            {"hook_event_name", turn[(i / sessions) % 6]},
            {"permission_mode", "default"},
            {"tool_name", "Bash"},
            {"tool_input", {{"command", "make test"}, {"description", "Run the tests"}}},
        };
        text += *quillo::HookEnvelope::encodeLine(
            payload, quillo::timestampFromSeconds(1.8e9 + i * 0.001), claude,
            std::vector<std::int32_t>{claude, claude - 1, claude - 2, 1200}, "/dev/pts/4");
    }
    return text;
}

} // namespace

int main() {
    const auto made = quillo::bench::makeFolder();
    if (!made) {
        return 1;
    }
    const std::filesystem::path folder = *made;
    const std::string contents = makeEventsFile();

    quillo::FakeApplicationIdentifier applications;
    for (int session = 0; session < sessions; ++session) {
        applications.set(10'000 + session * 10 - 2, "org.gnome.Terminal");
    }

    std::vector<double> rates;
    for (int round = 0; round < rounds; ++round) {
        {
            std::ofstream out(folder / "events.jsonl", std::ios::binary | std::ios::trunc);
            out << contents;
        }
        quillo::ProcessStateStore store({quillo::ProcFs::system(), applications});
        quillo::EventLogWatcher watcher(store, folder);
        std::size_t ingested = 0;
        QObject::connect(
            &watcher, &quillo::EventLogWatcher::batchIngested,
            [&](const std::vector<quillo::ParsedHookEvent>& events) { ingested += events.size(); });
        auto start = std::chrono::steady_clock::now();
        watcher.processPending();
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (ingested != lineCount || store.processes().size() != sessions) {
            std::fprintf(stderr, "ingested %zu lines into %zu sessions\n", ingested,
                         store.processes().size());
            return 1;
        }
        rates.push_back(lineCount / seconds);
    }
    std::filesystem::remove_all(folder);
    std::sort(rates.begin(), rates.end());
    std::printf("ingest %d lines (%.1f MB) through parse and store: median %.0f lines/s, best %.0f "
                "lines/s (floor 400000, goal 1500000), simdjson kernel %s, parsed on %d %s\n",
                lineCount, static_cast<double>(contents.size()) / 1e6, rates[rates.size() / 2],
                rates.back(), std::string(quillo::HookEnvelope::fastReaderKernel()).c_str(),
                quillo::ParallelLineParser::threads(),
                quillo::ParallelLineParser::threads() == 1 ? "thread" : "threads");
    return 0;
}
