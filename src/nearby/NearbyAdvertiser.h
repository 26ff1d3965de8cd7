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
// time-outs; the number waiting at once is capped, oldest dropped first, so a
// flood of idle connections cannot keep a real peer out.
class NearbyAdvertiser : public QObject {
    Q_OBJECT
public:
    // Called exactly once per invitation the owner answers: true with the
    // session to join, or false.
    using InvitationHandler = std::function<void(bool accept, NearbySession* session)>;

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
    // Connections not yet accepted into a session (handshake, INVITE, decision).
    int waitingConnections() const { return static_cast<int>(waiting_.size()); }

    // The server side of TLS: this identity, TLS 1.2 at least, no client
    // certificate asked for.
    static QSslConfiguration serverConfiguration(const NearbyIdentity& identity);

signals:
    // `address` is where the invitation came from (an IP address as text).
    void invitationReceived(const QString& peerName, const std::optional<QByteArray>& context,
                            const QString& address,
                            const quillo::NearbyAdvertiser::InvitationHandler& handler);

private:
    class Server;
    void onNewSocket(qintptr descriptor);
    void forget(NearbyConnection* connection);

    QString myName_;
    QString serviceType_;
    NearbyIdentity identity_;
    std::unique_ptr<ServicePublisher> publisher_;
    Listen listen_;
    NearbyTimeouts timeouts_;
    std::shared_ptr<InvitationLimiter> limiter_;
    std::unique_ptr<Server> server_;
    std::deque<NearbyConnection*> waiting_;
    bool published_ = false;
};

} // namespace quillo
