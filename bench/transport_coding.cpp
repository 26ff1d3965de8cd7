// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding and decoding the largest message the monitor sends: a snapshot of a
// table of 1,000 sessions.
#include "transport/TransportCoding.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quillo;

TransportMessage bigSnapshot() {
    TransportMessage::Snapshot snapshot;
    for (int i = 0; i < 1000; ++i) {
        std::optional<std::string> terminal;
        if (i % 3 != 0) {
            terminal = i % 2 ? "GNOME Terminal" : "tmux";
        }
        const double started = 1'733'500'000.0 + i * 1.125;
        snapshot.processes.push_back({"3f2c9a1e-5b7d-4c8e-9f10-" + std::to_string(100000000000 + i),
                                      "project-" + std::to_string(i),
                                      allProcessStates[i % allProcessStates.size()], terminal,
                                      terminal.has_value(), timestampFromSeconds(started),
                                      timestampFromSeconds(started + 42.5)});
    }
    return TransportMessage::snapshot(std::move(snapshot));
}

void EncodeSnapshot1000(benchmark::State& state) {
    const auto message = bigSnapshot();
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto encoded = TransportCoding::encode(message);
        bytes = encoded.size();
        benchmark::DoNotOptimize(encoded);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void DecodeSnapshot1000(benchmark::State& state) {
    const auto encoded = TransportCoding::encode(bigSnapshot());
    for (auto _ : state) {
        auto decoded = TransportCoding::decode(encoded);
        benchmark::DoNotOptimize(decoded);
    }
}

void EncodeAndDecodeSnapshot1000(benchmark::State& state) {
    const auto message = bigSnapshot();
    for (auto _ : state) {
        auto decoded = TransportCoding::decode(TransportCoding::encode(message));
        benchmark::DoNotOptimize(decoded);
    }
}

BENCHMARK(EncodeSnapshot1000)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeSnapshot1000)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeAndDecodeSnapshot1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
