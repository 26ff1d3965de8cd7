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
    std::optional<quint16> port;                 // empty: QUILLO_TRANSPORT_PORT or 27810
    QHostAddress listenAddress = QHostAddress::Any;
    std::filesystem::path identityFile; // empty: in the application-support directory
    NearbyTimeouts timeouts;
    // Client side: whether a host (by the certificate fingerprint it presented
    // in the handshake) is the one meant, and if so the context its invitation
    // carries instead of the one given to invite() (the pairing token that host
    // knows). Runs before anything is sent to it; nothing refuses the host.
    // Empty: every host is taken as it comes, with invite()'s context.
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
    // The answer to one invitation: accept or decline, a decline optionally
    // with a reason that the inviting peer is shown.
    class Decision {
    public:
        using Answer = std::function<void(bool accept, const std::string& reason)>;
        Decision() = default;
        explicit Decision(Answer answer) : answer_(std::move(answer)) {}
        void operator()(bool accept) const { (*this)(accept, std::string()); }
        void operator()(bool accept, const std::string& reason) const {
            if (answer_) {
                answer_(accept, reason);
            }
        }
        explicit operator bool() const { return static_cast<bool>(answer_); }

    private:
        Answer answer_;
    };
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
    bool isConnected(const TransportPeer& peer) const {
        return session_->isConnected(QString::fromStdString(peer.id));
    }

    // Ends the link to a connected peer (it is reported as disconnected).
    void disconnectPeer(const TransportPeer& peer);

    // Client side: invites a discovered host with optional context bytes.
    void invite(const TransportPeer& peer, const std::optional<std::string>& context);

    InvitationCallback onInvitationReceived;
    // The same, with the address the invitation came from (an IP address as
    // text); used instead of onInvitationReceived when set.
    using InvitationFromCallback =
        std::function<void(const TransportPeer& peer, const std::optional<std::string>& context,
                           const std::string& address, Decision)>;
    InvitationFromCallback onInvitationReceivedFrom;
    // Client side: a host declined our invitation, with its reason (possibly
    // empty). Comes before onPeerDisconnected for the same peer.
    std::function<void(const TransportPeer& peer, const std::string& reason)> onInvitationDeclined;

    static std::string sanitize(std::string_view displayName);

    // What the transport is doing right now (diagnostics and tests).
    const std::string& myPeerID() const { return myPeerID_; }
    TransportRole role() const { return role_; }
    bool isRunning() const { return isRunning_; }
    bool isAdvertising() const { return advertiser_ != nullptr; }
    bool isBrowsing() const { return browser_ != nullptr; }
    std::optional<quint16> listeningPort() const;
    // The port phones use: the one listened on, or while a phone is connected
    // (and nothing listens) the one listened on before. Nothing when stopped.
    std::optional<quint16> pairingPort() const {
        if (auto port = listeningPort()) {
            return port;
        }
        return isRunning_ ? lastPort_ : std::nullopt;
    }
    // Whether the service is published over DNS-SD right now (false when no
    // daemon runs: phones then need the address).
    bool isPublished() const { return advertiser_ && advertiser_->isPublished(); }
    // Where the damaged identity file was kept when a new identity had to be
    // made (paired phones then see a changed certificate).
    std::optional<std::filesystem::path> replacedIdentityKeptAs() const {
        return identity_ ? identity_->replacedFileKeptAs : std::nullopt;
    }
    // The port the host meant to listen on when another program held it and
    // the system picked a different one (phones with the old address fail).
    std::optional<quint16> portWantedButTaken() const { return portWantedButTaken_; }
    // The host's certificate fingerprint; empty until it advertised once.
    QString hostFingerprint() const { return identity_ ? identity_->fingerprint() : QString(); }
    std::vector<std::string> discoveredPeers() const;
    // Host side: connections waiting to be accepted (0 while not advertising).
    int waitingConnections() const { return advertiser_ ? advertiser_->waitingConnections() : 0; }
    int sessionGeneration() const { return sessionGeneration_; }
    // Bytes written to peers (connected or waiting) and not yet sent.
    qint64 unsentBytes() const {
        return session_->unsentBytes() + (advertiser_ ? advertiser_->unsentBytes() : 0);
    }
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
    std::optional<quint16> portWantedButTaken_;
    int sessionGeneration_ = 0;
};

} // namespace quillo
