// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InvitationLimiter.h"
#include "NearbyConnection.h"
#include "NearbyIdentity.h"
#include "NearbySession.h"
#include "NearbyTimeouts.h"
#include "platform/ServiceDiscovery.h"

#include <QHostAddress>
#include <QObject>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QTcpServer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace quillo {

// Listens for browsers over TLS, publishes the service, and hands every valid
// INVITE to its owner with a handler that accepts the peer into a session or
// declines it. Connections that never get that far are closed by their own
// time-outs; the number waiting at once is capped, in all and per source (an
// address, or an IPv6 /64, which one machine usually has to itself). A source
// over its share loses its own oldest connection, a full queue loses the
// oldest of the source with the most; a connection whose invitation the owner
// is deciding on is never pushed out. So a flood from one machine cannot keep
// a real peer out, nor the descriptors run out.
class NearbyAdvertiser : public QObject {
    Q_OBJECT
public:
    // Called exactly once per invitation the owner answers: true with the
    // session to join, or false (with a reason for the peer, possibly empty).
    using InvitationHandler =
        std::function<void(bool accept, NearbySession* session, const QString& reason)>;

    struct Listen {
        QHostAddress address = QHostAddress::Any;
        // Tried first; when it is taken (or 0), the system picks a port.
        quint16 preferredPort = 0;
    };

    NearbyAdvertiser(QString myName, QString serviceType, NearbyIdentity identity,
                     std::unique_ptr<ServicePublisher> publisher, Listen listen,
                     NearbyTimeouts timeouts, QObject* parent = nullptr,
                     std::shared_ptr<InvitationLimiter> limiter = {});
    ~NearbyAdvertiser() override;

    // Listens and publishes. False when no port could be opened at all.
    bool startAdvertising();
    void stopAdvertising();

    bool isListening() const;
    quint16 port() const;
    // False when the service could not be published (no daemon running).
    bool isPublished() const { return published_; }

    static constexpr int maxWaitingConnections = 256;
    static constexpr int maxWaitingPerSource = 16;
    // Connections not yet accepted into a session (handshake, INVITE, decision).
    int waitingConnections() const { return static_cast<int>(waiting_.size()); }
    // Bytes owed to the waiting connections and not yet sent.
    qint64 unsentBytes() const;

    // Who a connection counts against in the limits: the IPv4 address, or
    // the /64 of an IPv6 one (written "prefix::/64").
    static QString sourceOf(const QHostAddress& address);

    // The server side of TLS: this identity, TLS 1.2 at least with AEAD
    // suites only, no client certificate asked for.
    static QSslConfiguration serverConfiguration(const NearbyIdentity& identity);
    // The suites offered: authenticated encryption only.
    static QList<QSslCipher> aeadCiphers();

signals:
    // `address` is where the invitation came from (an IP address as text).
    void invitationReceived(const QString& peerName, const std::optional<QByteArray>& context,
                            const QString& address,
                            const quillo::NearbyAdvertiser::InvitationHandler& handler);

private:
    class Server;
    void onNewSocket(qintptr descriptor);
    void forget(NearbyConnection* connection);
    bool makeRoomFor(const QString& source);
    void dropNow(NearbyConnection* connection);

    QString myName_;
    QString serviceType_;
    NearbyIdentity identity_;
    std::unique_ptr<ServicePublisher> publisher_;
    Listen listen_;
    NearbyTimeouts timeouts_;
    std::shared_ptr<InvitationLimiter> limiter_;
    std::unique_ptr<Server> server_;
    struct Waiting {
        NearbyConnection* connection;
        QString source;
    };
    std::deque<Waiting> waiting_; // oldest first
    bool published_ = false;
};

} // namespace quillo
