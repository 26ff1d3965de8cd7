// SPDX-License-Identifier: GPL-3.0-or-later
// From a change of the process table to its arrival at a connected phone: the
// store publishes, the bridge diffs and sends a state_update over TLS on
// loopback, and a real QuilloPeer prints it. Prints the median and the 99th
// percentile.
// Usage: phone_push_latency PATH_TO_QuilloPeer [ROUNDS]
#include "DiagnosticLogger.h"
#include "networking/HostTransportBridge.h"
#include "networking/PairedClientStorage.h"
#include "platform/FakeApplicationIdentifier.h"
#include "platform/LocalServiceDiscovery.h"
#include "state/ProcessStateStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace quillo;

namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: phone_push_latency PATH_TO_QuilloPeer [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 500;
    QTemporaryDir home;
    // Everything the monitor writes (identity, diagnostics) goes to a private home.
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        qputenv(name, home.path().toUtf8());
    }
    QCoreApplication app(argc, argv);

    ProcFs proc(home.path().toStdString()); // an empty /proc: no terminals to resolve
    FakeApplicationIdentifier applications;
    ProcessStateStore store({proc, applications});
    MemorySettingsStore settings;
    PairedClientStorage::add(settings, "Bench phone", "bench-token");
    HeadlessTrustPrompt trust;
    MPCTransport::Options options;
    options.discovery = std::make_shared<LocalServiceDiscovery>();
    options.port = 0;
    options.listenAddress = QHostAddress::LocalHost;
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Bench desk", options));
    bridge.start();

    ParsedHookEvent event{
        .eventName = "SessionStart", .sessionId = "bench-session", .cwd = "/tmp/bench"};
    event.timestamp = now();
    store.ingestBatch({event});

    QProcess peer;
    peer.start(argv[1], {"--host", "127.0.0.1", "--port",
                         QString::number(*bridge.transport().listeningPort()), "--name",
                         "Bench phone", "--token", "bench-token", "--trust-new-host"});
    if (!waitFor([&] { return bridge.connectedPeerCount() == 1; }, 20000)) {
        std::fprintf(stderr, "QuilloPeer did not connect: %s\n",
                     peer.readAllStandardError().constData());
        return 1;
    }

    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        event.eventName = i % 2 ? "UserPromptSubmit" : "Stop";
        event.timestamp = now();
        const auto start = std::chrono::steady_clock::now();
        store.ingestBatch({event});
        if (!waitFor([&] { return peer.canReadLine(); }, 5000)) {
            std::fprintf(stderr, "no state_update arrived in round %d\n", i);
            return 1;
        }
        const auto end = std::chrono::steady_clock::now();
        peer.readLine();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    peer.write("quit\n");
    peer.waitForFinished(5000);
    bridge.stop();

    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) {
        return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))];
    };
    std::printf("store change -> QuilloPeer receipt over TLS on loopback, %d changes: median %.0f "
                "us, p99 %.0f us, "
                "max %.0f us\n",
                rounds, at(0.5), at(0.99), micros.back());
    return 0;
}
