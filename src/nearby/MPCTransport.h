// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NearbyAdvertiser.h"
#include "NearbyBrowser.h"
#include "NearbyIdentity.h"
#include "NearbySession.h"
#include "NearbyTimeouts.h"
#include "Timestamp.h"
#include "platform/ServiceDiscovery.h"
#include "transport/Transport.h"
#include "transport/TransportRole.h"

#include <QHostAddress>
#include <QObject>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// What MPCTransport takes from its surroundings, so tests can run it on
// loopback with a fake clock and in-process discovery.
struct MPCTransportOptions {
    std::function<Timestamp()> clock;            // empty: the system clock
    std::shared_ptr<ServiceDiscovery> discovery; // empty: avahi (DNS-SD)
    std::optional<quint16> port;                 // empty: QUILLO_TRANSPORT_PORT or 47810
    QHostAddress listenAddress = QHostAddress::Any;
    std::filesystem::path identityFile; // empty: in the application-support directory
    NearbyTimeouts timeouts;
    // Client side: whether a host (by the certificate fingerprint it presented
    // in the handshake) is the one meant. Runs before anything is sent to it;
    // empty: every host is taken as it comes.
    NearbySession::HostCheck verifyHost;
};

// The transport over the nearby layer, for both ends: the monitor runs it as
// host (advertise, answer invitations), a phone or QuilloPeer as client (browse,
// invite). Discovery pauses while a peer is connected, so a connected host is
// invisible; a session that loses its peer three times within ten seconds is
// thrown away and rebuilt. Every callback runs on the main thread, from the
// event loop.
class MPCTransport : public QObject, public Transport {
    Q_OBJECT
public:
    using Clock = std::function<Timestamp()>;
    using Decision = std::function<void(bool accept)>;
    // The owner must call the decision exactly once (later calls are ignored).
    using InvitationCallback = std::function<void(
        const TransportPeer& peer, const std::optional<std::string>& context, Decision)>;

    using Options = MPCTransportOptions;

    MPCTransport(const std::string& displayName, TransportRole role, std::string serviceType,
                 bool autoInvite, bool pauseDiscoveryWhileConnected, Options options = {});
    ~MPCTransport() override;

    void start() override;
    void stop() override;
    void send(const TransportMessage& message, const TransportPeer& peer) override;
    std::vector<TransportPeer> connectedPeers() const override;

    // Client side: invites a discovered host with optional context bytes.
    void invite(const TransportPeer& peer, const std::optional<std::string>& context);

    InvitationCallback onInvitationReceived;
    // The same, with the address the invitation came from (an IP address as
    // text); used instead of onInvitationReceived when set.
    using InvitationFromCallback =
        std::function<void(const TransportPeer& peer, const std::optional<std::string>& context,
                           const std::string& address, Decision)>;
    InvitationFromCallback onInvitationReceivedFrom;

    static std::string sanitize(std::string_view displayName);

    // What the transport is doing right now (diagnostics and tests).
    const std::string& myPeerID() const { return myPeerID_; }
    TransportRole role() const { return role_; }
    bool isRunning() const { return isRunning_; }
    bool isAdvertising() const { return advertiser_ != nullptr; }
    bool isBrowsing() const { return browser_ != nullptr; }
    std::optional<quint16> listeningPort() const;
    // Whether the service is published over DNS-SD right now (false when no
    // daemon runs: phones then need the address).
    bool isPublished() const { return advertiser_ && advertiser_->isPublished(); }
    // The host's certificate fingerprint; empty until it advertised once.
    QString hostFingerprint() const { return identity_ ? identity_->fingerprint() : QString(); }
    std::vector<std::string> discoveredPeers() const;
    // Host side: connections waiting to be accepted (0 while not advertising).
    int waitingConnections() const { return advertiser_ ? advertiser_->waitingConnections() : 0; }
    int sessionGeneration() const { return sessionGeneration_; }
    // The transport's clock (the system clock unless the options give one).
    Timestamp currentTime() const;

private:
    struct LaterDeleter {
        void operator()(QObject* object) const;
    };
    template <typename T> using Owned = std::unique_ptr<T, LaterDeleter>;

    void makeSession();
    void startAdvertiserIfNeeded();
    void startBrowserIfNeeded();
    void stopDiscovery(bool clearDiscoveredPeers);
    void resumeDiscoveryIfAppropriate();
    void recordDisconnectAndMaybeRebuild();
    void rebuildSession();
    void peerStateChanged(const QString& peerName, NearbyPeerState state);
    void invitationReceived(const QString& peerName, const std::optional<QByteArray>& context,
                            const QString& address,
                            const NearbyAdvertiser::InvitationHandler& handler);

    std::string myPeerID_;
    std::string serviceType_;
    TransportRole role_;
    bool autoInvite_;
    bool pauseDiscoveryWhileConnected_;
    Options options_;
    Owned<NearbySession> session_;
    Owned<NearbyAdvertiser> advertiser_;
    Owned<NearbyBrowser> browser_;
    bool isRunning_ = false;
    std::map<std::string, NearbyEndpoint> discoveredMCPeers_;
    std::vector<Timestamp> disconnectTimestamps_;
    std::optional<NearbyIdentity> identity_;
    // Outlives advertisers: a pause in discovery must not lift a block.
    std::shared_ptr<InvitationLimiter> limiter_;
    std::optional<quint16> lastPort_;
    int sessionGeneration_ = 0;
};

} // namespace quillo
