// SPDX-License-Identifier: GPL-3.0-or-later
#include "NearbySession.h"

#include <algorithm>

namespace quillo {

NearbySession::NearbySession(QString myName, NearbyTimeouts timeouts, QObject* parent)
    : QObject(parent), myName_(std::move(myName)), timeouts_(timeouts) {}

NearbySession::~NearbySession() {
    for (auto* c : connected_) {
        c->disconnect(this);
    }
    for (auto* c : inviting_) {
        c->disconnect(this);
    }
}

QStringList NearbySession::connectedPeers() const {
    QStringList names;
    for (auto* c : connected_) {
        names.append(c->peerName());
    }
    return names;
}

qint64 NearbySession::unsentBytes() const {
    qint64 total = 0;
    for (const auto* c : connected_) {
        total += c->pendingWrite();
    }
    return total;
}

bool NearbySession::isConnected(const QString& peerName) const {
    return connectedPeers().contains(peerName);
}

void NearbySession::track(NearbyConnection* connection) {
    connect(connection, &NearbyConnection::dataReceived, this,
            [this, connection](const QByteArray& data) {
                emit dataReceived(data, connection->peerName());
            });
    connect(connection, &NearbyConnection::closed, this, [this, connection] {
        auto it = std::find(connected_.begin(), connected_.end(), connection);
        if (it != connected_.end()) {
            connected_.erase(it);
            connection->deleteLater();
            emit peerStateChanged(connection->peerName(), NearbyPeerState::notConnected);
        }
    });
}

void NearbySession::adopt(NearbyConnection* connection) {
    if (connection->state() != NearbyConnection::State::connected) {
        return;
    }
    connection->setParent(this);
    connected_.push_back(connection);
    track(connection);
    emit peerStateChanged(connection->peerName(), NearbyPeerState::connected);
}

void NearbySession::invite(const NearbyEndpoint& endpoint, const std::optional<QByteArray>& context,
                           std::chrono::milliseconds timeout) {
    NearbyTimeouts timeouts = timeouts_;
    timeouts.invitation = timeout;
    auto* connection =
        new NearbyConnection(new QSslSocket, NearbyConnection::Side::browser, timeouts, this);
    inviting_.push_back(connection);
    const QString invitedName = endpoint.name;
    auto finishInviting = [this, connection] {
        inviting_.erase(std::remove(inviting_.begin(), inviting_.end(), connection),
                        inviting_.end());
    };
    connect(connection, &NearbyConnection::accepted, this, [this, connection, finishInviting] {
        finishInviting();
        connection->disconnect(this);
        connected_.push_back(connection);
        track(connection);
        emit peerStateChanged(connection->peerName(), NearbyPeerState::connected);
    });
    connect(connection, &NearbyConnection::declined, this,
            [this, invitedName](const QString& reason) {
                emit invitationDeclined(invitedName, reason);
            });
    connect(connection, &NearbyConnection::closed, this,
            [this, connection, finishInviting, invitedName] {
                // Only reached while still inviting: accepted() disconnects this handler.
                finishInviting();
                connection->deleteLater();
                emit peerStateChanged(invitedName, NearbyPeerState::notConnected);
            });
    emit peerStateChanged(invitedName, NearbyPeerState::connecting);
    NearbyConnection::HostCheck check;
    if (hostCheck_) {
        check = [check = hostCheck_, endpoint](const QString& fingerprint) {
            return check(endpoint, fingerprint);
        };
    }
    connection->connectTo(endpoint.host, endpoint.port, myName_, context, std::move(check));
}

bool NearbySession::send(const QByteArray& data, const QString& peerName, QString* error) {
    for (auto* c : connected_) {
        if (c->peerName() == peerName) {
            return c->sendData(data, error);
        }
    }
    if (error) {
        *error = QStringLiteral("not connected");
    }
    return false;
}

void NearbySession::disconnectPeer(const QString& peerName) {
    auto connected = connected_;
    for (auto* c : connected) {
        if (c->peerName() == peerName) {
            c->close();
        }
    }
}

void NearbySession::disconnectAll() {
    auto inviting = inviting_;
    for (auto* c : inviting) {
        c->close();
    }
    auto connected = connected_;
    for (auto* c : connected) {
        c->close();
    }
}

} // namespace quillo
