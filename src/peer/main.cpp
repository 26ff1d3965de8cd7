// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloPeer: a phone on the command line. Connects to a Quillo monitor as a
// phone app would, prints what it receives as JSON lines and sends requests.
#include "JsonWriter.h"
#include "KnownHosts.h"
#include "MPCTransport.h"
#include "PeerOptions.h"
#include "app/BuildVersion.h"
#include "platform/LocalServiceDiscovery.h"
#include "transport/TransportCoding.h"
#include "transport/TransportError.h"
#include "transport/TransportInvitationContext.h"
#include "transport/TransportServiceType.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

using namespace quillo;

void status(const std::string& line) {
    std::cerr << "[quillo-peer] " << line << std::endl;
}

// 256 random bits, as 64 hex digits.
std::string randomPairingToken() {
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex().toStdString();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::cout << peerUsage();
        return 0;
    }
    if (!arguments.empty() && arguments[0] == "--version") {
        std::cout << "QuilloPeer " << BuildVersion::shortVersion << " (build "
                  << BuildVersion::buildNumber << ")\nLicense: GPL-3.0-or-later\n";
        return 0;
    }
    auto parsed = parsePeerOptions(arguments);
    if (auto* error = std::get_if<PeerUsageError>(&parsed)) {
        std::cerr << "QuilloPeer: " << error->message << " (see QuilloPeer --help)\n";
        return 2;
    }
    PeerOptions options = std::get<PeerOptions>(parsed);
    std::signal(SIGPIPE, SIG_IGN);
    KnownHosts knownHosts(KnownHosts::standardFile());
    if (options.forget) {
        const bool forgotten = knownHosts.forget(*options.forget);
        status(forgotten ? "forgot " + *options.forget
                         : *options.forget + " is not in " + knownHosts.file().string());
        return forgotten ? 0 : 1;
    }

    QCoreApplication app(argc, argv);
    if (!options.token) {
        // The token is the pairing's only secret: never a guessable one.
        options.token = randomPairingToken();
        status("pairing token " + *options.token +
               " (pass it with --token to come back as the same phone)");
    }
    MPCTransport::Options transportOptions;
    const QString serviceType = QString::fromUtf8(
        TransportServiceType::mvp.data(), static_cast<qsizetype>(TransportServiceType::mvp.size()));
    if (options.host) {
        auto direct = std::make_shared<LocalServiceDiscovery>();
        const QString host = QString::fromStdString(*options.host);
        direct->addFixed(serviceType,
                         {host + ":" + QString::number(*options.port), host, *options.port});
        transportOptions.discovery = direct;
    }
    // The host is checked before the invitation (and its token) goes out.
    transportOptions.verifyHost = [&](const NearbyEndpoint& endpoint, const QString& fingerprint) {
        const std::string key = options.host
                                    ? KnownHosts::keyForAddress(*options.host, *options.port)
                                    : KnownHosts::keyForName(endpoint.name.toStdString());
        HostVerdict verdict = verifyHost(options.pin, knownHosts, key, fingerprint.toStdString());
        if (!verdict.message.empty()) {
            status(verdict.message);
        }
        return verdict.trusted;
    };
    MPCTransport transport(options.name, TransportRole::client,
                           std::string(TransportServiceType::mvp), false, true, transportOptions);

    std::optional<TransportPeer> host;
    int received = 0;
    bool inviting = false;
    int exitCode = 0;

    std::vector<TransportMessage> waiting = options.sendOnConnect; // sent once connected
    auto send = [&](const TransportMessage& message) {
        if (!host) {
            waiting.push_back(message);
            return;
        }
        try {
            transport.send(message, *host);
        } catch (const TransportError& e) {
            status(e.description());
        }
    };

    transport.onPeerDiscovered = [&](const TransportPeer& peer) {
        if (host || inviting) {
            return; // one host is enough
        }
        inviting = true;
        status("found " + peer.displayName + "; inviting");
        transport.invite(peer, options.token ? TransportInvitationContext::encode(*options.token)
                                             : std::nullopt);
    };
    transport.onPeerConnected = [&](const TransportPeer& peer) {
        host = peer;
        status("connected to " + peer.displayName);
        auto queued = std::move(waiting);
        waiting.clear();
        for (const auto& message : queued) {
            send(message);
        }
    };
    bool declined = false;
    transport.onInvitationDeclined = [&](const TransportPeer& peer, const std::string& reason) {
        declined = true;
        status("declined by " + peer.displayName + (reason.empty() ? "" : ": " + reason));
    };
    transport.onPeerDisconnected = [&](const TransportPeer& peer) {
        if (host) {
            status("disconnected from " + peer.displayName);
        } else {
            if (!declined) {
                status("not accepted by " + peer.displayName + " (no answer in time)");
            }
            exitCode = 1;
        }
        app.exit(exitCode);
    };
    transport.onReceive = [&](const TransportMessage& message, const TransportPeer&) {
        if (auto line = JsonWriter::compact(TransportCoding::toJson(message))) {
            std::cout << *line << std::endl;
        }
        if (options.count && ++received >= *options.count) {
            app.exit(0);
        }
    };

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // end of input: keep listening to the monitor
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (line == "quit") {
                app.exit(0);
                return;
            }
            if (auto message = parsePeerCommand(line)) {
                send(*message);
            } else if (!line.empty()) {
                status("unknown command: " + line);
            }
        }
    });

    if (options.timeoutSeconds) {
        QTimer::singleShot(*options.timeoutSeconds * 1000, &app, [&] {
            if (!host) {
                status("no monitor found in time");
                app.exit(1);
            }
        });
    }
    status(options.host ? "connecting to " + *options.host + ":" + std::to_string(*options.port)
                        : "browsing for _" + std::string(TransportServiceType::mvp) + "._tcp");
    transport.start();
    int code = app.exec();
    transport.stop();
    return code;
}
