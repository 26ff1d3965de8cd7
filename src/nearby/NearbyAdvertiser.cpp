// SPDX-License-Identifier: GPL-3.0-or-later
#include "NearbyAdvertiser.h"

#include "DiagnosticLogger.h"

#include <QPointer>
#include <QSslConfiguration>

#include <algorithm>
#include <map>
#include <utility>

namespace quillo {

class NearbyAdvertiser::Server : public QTcpServer {
public:
    explicit Server(NearbyAdvertiser* owner) : owner_(owner) {}

protected:
    void incomingConnection(qintptr descriptor) override { owner_->onNewSocket(descriptor); }

private:
    NearbyAdvertiser* owner_;
};

NearbyAdvertiser::NearbyAdvertiser(QString myName, QString serviceType, NearbyIdentity identity,
                                   std::unique_ptr<ServicePublisher> publisher, Listen listen,
                                   NearbyTimeouts timeouts, QObject* parent,
                                   std::shared_ptr<InvitationLimiter> limiter)
    : QObject(parent), myName_(std::move(myName)), serviceType_(std::move(serviceType)),
      identity_(std::move(identity)), publisher_(std::move(publisher)), listen_(listen),
      timeouts_(timeouts), limiter_(std::move(limiter)) {}

namespace {

// One address per machine, whichever way it is written (IPv4 arrives as
// ::ffff:a.b.c.d on a dual-stack socket).
QString sourceAddress(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

} // namespace

QString NearbyAdvertiser::sourceOf(const QHostAddress& address) {
    bool isV4 = false;
    address.toIPv4Address(&isV4);
    if (isV4 || address.protocol() != QAbstractSocket::IPv6Protocol ||
        address == QHostAddress(QHostAddress::LocalHostIPv6)) {
        return sourceAddress(address);
    }
    // A machine picks any address within its /64 at will (privacy
    // addresses), so the /64 is what counts as one source.
    Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int i = 8; i < 16; ++i) {
        bytes[i] = 0;
    }
    return QHostAddress(bytes).toString() + QStringLiteral("/64");
}

namespace {} // namespace

NearbyAdvertiser::~NearbyAdvertiser() {
    stopAdvertising();
}

bool NearbyAdvertiser::startAdvertising() {
    if (server_) {
        return true;
    }
    auto server = std::make_unique<Server>(this);
    server->setMaxPendingConnections(maxWaitingConnections);
    bool listening =
        listen_.preferredPort != 0 && server->listen(listen_.address, listen_.preferredPort);
    if (!listening) {
        listening = server->listen(listen_.address, 0);
    }
    if (!listening) {
        DiagnosticLogger::error("transport", "cannot listen for phones",
                                {{"error", server->errorString().toStdString()}});
        return false;
    }
    server_ = std::move(server);
    published_ = publisher_ && publisher_->publish(serviceType_, myName_, server_->serverPort());
    static bool toldNoDaemon = false; // once per run, not on every pause
    if (!published_ && !std::exchange(toldNoDaemon, true)) {
        DiagnosticLogger::warn(
            "transport",
            "service not published: no DNS-SD daemon; phones must be given the address",
            {{"port", std::to_string(server_->serverPort())}});
    }
    return true;
}

void NearbyAdvertiser::stopAdvertising() {
    if (publisher_) {
        publisher_->unpublish();
    }
    published_ = false;
    server_.reset();
    auto waiting = waiting_;
    waiting_.clear();
    for (const auto& entry : waiting) {
        entry.connection->disconnect(this);
        entry.connection->close();
        entry.connection->deleteLater();
    }
}

qint64 NearbyAdvertiser::unsentBytes() const {
    qint64 total = 0;
    for (const auto& entry : waiting_) {
        total += entry.connection->pendingWrite();
    }
    return total;
}

bool NearbyAdvertiser::isListening() const {
    return server_ && server_->isListening();
}

quint16 NearbyAdvertiser::port() const {
    return server_ ? server_->serverPort() : 0;
}

void NearbyAdvertiser::forget(NearbyConnection* connection) {
    auto it = std::find_if(waiting_.begin(), waiting_.end(),
                           [&](const Waiting& w) { return w.connection == connection; });
    if (it != waiting_.end()) {
        waiting_.erase(it);
    }
}

void NearbyAdvertiser::dropNow(NearbyConnection* connection) {
    forget(connection);
    connection->disconnect(this);
    // Not from the event loop: under a flood the descriptor is needed now,
    // and this never runs inside the connection's own signals.
    delete connection;
}

bool NearbyAdvertiser::makeRoomFor(const QString& source) {
    // Whose invitation is being decided on stays: the user may be answering.
    auto evictable = [](const Waiting& w) {
        return w.connection->state() != NearbyConnection::State::invitePending;
    };
    std::map<QString, int> perSource;
    for (const auto& w : waiting_) {
        ++perSource[w.source];
    }
    QString victimSource;
    if (perSource[source] >= maxWaitingPerSource) {
        victimSource = source;
    } else if (static_cast<int>(waiting_.size()) >= maxWaitingConnections) {
        victimSource = std::max_element(perSource.begin(), perSource.end(), [](auto& a, auto& b) {
                           return a.second < b.second;
                       })->first;
    } else {
        return true;
    }
    for (const auto& w : waiting_) {
        if (w.source == victimSource && evictable(w)) {
            dropNow(w.connection);
            return true;
        }
    }
    return false; // all of them are being decided on: the newcomer waits outside
}

QList<QSslCipher> NearbyAdvertiser::aeadCiphers() {
    // TLS 1.3 suites are all authenticated encryption; of the TLS 1.2 ones
    // only GCM and ChaCha20-Poly1305 with an ephemeral key exchange are kept
    // (CBC suites pad, and padding has been an oracle more than once).
    QList<QSslCipher> kept;
    for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers()) {
        const QString name = cipher.name();
        const bool aead =
            name.contains(QLatin1String("GCM")) || name.contains(QLatin1String("CHACHA20"));
        if (name.startsWith(QLatin1String("TLS_")) ||
            (aead && name.startsWith(QLatin1String("ECDHE-")))) {
            kept.append(cipher);
        }
    }
    return kept;
}

QSslConfiguration NearbyAdvertiser::serverConfiguration(const NearbyIdentity& identity) {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(identity.certificate);
    configuration.setPrivateKey(identity.key);
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    configuration.setCiphers(aeadCiphers());
    return configuration;
}

void NearbyAdvertiser::onNewSocket(qintptr descriptor) {
    auto* socket = new QSslSocket;
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QString address = sourceAddress(socket->peerAddress());
    const QString source = sourceOf(socket->peerAddress());
    if ((limiter_ && !limiter_->admits(source.toStdString())) || !makeRoomFor(source)) {
        socket->abort(); // turned away before a single byte is read
        delete socket;
        return;
    }
    socket->setSslConfiguration(serverConfiguration(identity_));

    auto* connection =
        new NearbyConnection(socket, NearbyConnection::Side::advertiser, timeouts_, this);
    waiting_.push_back({connection, source});
    connect(connection, &NearbyConnection::closed, this, [this, connection] {
        forget(connection);
        connection->deleteLater();
    });
    connect(connection, &NearbyConnection::inviteReceived, this,
            [this, connection, address, source](const QString& peerName,
                                                const std::optional<QByteArray>& context) {
                QPointer<NearbyConnection> pending(connection);
                QString myName = myName_;
                std::weak_ptr<InvitationLimiter> limiter = limiter_;
                InvitationHandler handler = [pending, myName, limiter,
                                             source](bool accept, NearbySession* session,
                                                     const QString& reason) {
                    if (!accept || !session) {
                        // Counted even when the browser already gave up: the
                        // refusal is what a guessing client pays for.
                        if (auto l = limiter.lock()) {
                            l->recordRefusal(source.toStdString());
                        }
                    }
                    if (!pending || pending->state() != NearbyConnection::State::invitePending) {
                        return; // the browser gave up or the advertiser stopped meanwhile
                    }
                    if (!accept || !session) {
                        pending->decline(reason);
                        return;
                    }
                    pending->accept(myName);
                    if (auto* owner = qobject_cast<NearbyAdvertiser*>(pending->parent())) {
                        owner->forget(pending);
                        pending->disconnect(owner);
                    }
                    session->adopt(pending);
                };
                emit invitationReceived(peerName, context, address, handler);
            });
    socket->startServerEncryption();
}

} // namespace quillo
