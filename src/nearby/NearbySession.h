// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NearbyConnection.h"
#include "NearbyTimeouts.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace quillo {

// Where a peer stands with a session.
enum class NearbyPeerState { notConnected, connecting, connected };

// A host found by discovery (or named on the command line): its advertised
// name and where to reach it.
struct NearbyEndpoint {
    QString name;
    QString host;
    quint16 port = 0;
    bool operator==(const NearbyEndpoint&) const = default;
};

// The connections of one end that got past the invitation, addressed by the
// other end's display name. Connections that close leave the session and are
// reported as not connected.
class NearbySession : public QObject {
    Q_OBJECT
public:
    NearbySession(QString myName, NearbyTimeouts timeouts, QObject* parent = nullptr);
    ~NearbySession() override;

    const QString& myName() const { return myName_; }

    // Names of the connected peers, oldest connection first.
    QStringList connectedPeers() const;

    // Takes an accepted advertiser-side connection into the session.
    void adopt(NearbyConnection* connection);

    // Browser side: connects to a host and invites it into this session. The
    // peer is "connecting" under `invitedName` until it accepts (then connected
    // under the name it answers with) or the invitation fails.
    void invite(const NearbyEndpoint& endpoint, const std::optional<QByteArray>& context,
                std::chrono::milliseconds timeout);

    // Sends to the first connected peer with that name. False with a reason when
    // there is none or the connection refuses the data.
    bool send(const QByteArray& data, const QString& peerName, QString* error = nullptr);
    bool isConnected(const QString& peerName) const;
    // Bytes owed to connected peers and not yet sent.
    qint64 unsentBytes() const;

    // Browser side: asked about every host this session invites, right after
    // the handshake and before anything is sent: nothing refuses the host, else
    // the context its INVITE carries (see NearbyConnection::HostCheck).
    using HostCheck = std::function<std::optional<NearbyConnection::InviteContext>(
        const NearbyEndpoint& host, const QString& fingerprint)>;
    void setHostCheck(HostCheck check) { hostCheck_ = std::move(check); }

    // Closes every connection; connected peers are reported as not connected.
    void disconnectAll();
    // Closes the connections to peers of that name (reported as not connected).
    void disconnectPeer(const QString& peerName);

signals:
    void peerStateChanged(const QString& peerName, quillo::NearbyPeerState state);
    void dataReceived(const QByteArray& data, const QString& peerName);
    // Browser side: the host declined, with its reason (possibly empty);
    // peerStateChanged(notConnected) follows.
    void invitationDeclined(const QString& invitedName, const QString& reason);

private:
    void track(NearbyConnection* connection);

    QString myName_;
    NearbyTimeouts timeouts_;
    HostCheck hostCheck_;
    std::vector<NearbyConnection*> connected_;
    std::vector<NearbyConnection*> inviting_;
};

} // namespace quillo
