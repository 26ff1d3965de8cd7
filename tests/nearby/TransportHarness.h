// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MPCTransport.h"
#include "TempDir.h"
#include "platform/LocalServiceDiscovery.h"
#include "transport/TransportServiceType.h"

#include "QtTestApp.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::test {

// What a transport reported, in order.
struct TransportEvents {
    std::vector<std::string> discovered;
    std::vector<std::string> connected;
    std::vector<std::string> disconnected;
    std::vector<std::pair<TransportMessage, std::string>> received;

    void attach(Transport& transport) {
        transport.onPeerDiscovered = [this](const TransportPeer& p) { discovered.push_back(p.id); };
        transport.onPeerConnected = [this](const TransportPeer& p) { connected.push_back(p.id); };
        transport.onPeerDisconnected = [this](const TransportPeer& p) {
            disconnected.push_back(p.id);
        };
        transport.onReceive = [this](const TransportMessage& m, const TransportPeer& p) {
            received.emplace_back(m, p.id);
        };
    }
};

// Transports on loopback with port 0, a private TLS identity, discovery inside
// the process and a clock the test moves.
class TransportHarness {
public:
    TransportHarness() { qtApp(); }

    MPCTransport::Options options() {
        MPCTransport::Options o;
        o.clock = [this] { return clock; };
        o.discovery = discovery;
        o.port = 0;
        o.listenAddress = QHostAddress::LocalHost;
        o.identityFile = home.path() / "transport-identity.pem";
        o.timeouts = timeouts;
        return o;
    }

    std::unique_ptr<MPCTransport> host(const std::string& name = "Desk", bool pause = true) {
        return std::make_unique<MPCTransport>(name, TransportRole::host,
                                              std::string(TransportServiceType::mvp), true, pause,
                                              options());
    }

    std::unique_ptr<MPCTransport> client(const std::string& name = "Phone",
                                         bool autoInvite = true) {
        return std::make_unique<MPCTransport>(name, TransportRole::client,
                                              std::string(TransportServiceType::mvp), autoInvite,
                                              true, options());
    }

    TempHome home;
    std::shared_ptr<LocalServiceDiscovery> discovery = std::make_shared<LocalServiceDiscovery>();
    Timestamp clock = timestampFromSeconds(1'000'000);
    NearbyTimeouts timeouts{std::chrono::milliseconds(4000), std::chrono::milliseconds(4000),
                            std::chrono::milliseconds(1000), std::chrono::milliseconds(8000)};
};

} // namespace quillo::test
