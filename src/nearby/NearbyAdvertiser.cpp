// SPDX-License-Identifier: GPL-3.0-or-later
#include "NearbyAdvertiser.h"

#include "DiagnosticLogger.h"

#include <QPointer>
#include <QSslConfiguration>

#include <algorithm>
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
    for (auto* connection : waiting) {
        connection->disconnect(this);
        connection->close();
        connection->deleteLater();
    }
}

bool NearbyAdvertiser::isListening() const {
    return server_ && server_->isListening();
}

quint16 NearbyAdvertiser::port() const {
    return server_ ? server_->serverPort() : 0;
}

void NearbyAdvertiser::forget(NearbyConnection* connection) {
    auto it = std::find(waiting_.begin(), waiting_.end(), connection);
    if (it != waiting_.end()) {
        waiting_.erase(it);
    }
}

QSslConfiguration NearbyAdvertiser::serverConfiguration(const NearbyIdentity& identity) {
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(identity.certificate);
    configuration.setPrivateKey(identity.key);
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

void NearbyAdvertiser::onNewSocket(qintptr descriptor) {
    auto* socket = new QSslSocket;
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QString address = sourceAddress(socket->peerAddress());
    if (limiter_ && !limiter_->admits(address.toStdString())) {
        socket->abort(); // turned away before a single byte is read
        delete socket;
        return;
    }
    if (static_cast<int>(waiting_.size()) >= maxWaitingConnections) {
        NearbyConnection* oldest = waiting_.front();
        waiting_.pop_front();
        oldest->disconnect(this);
        oldest->close();
        oldest->deleteLater();
    }
    socket->setSslConfiguration(serverConfiguration(identity_));

    auto* connection =
        new NearbyConnection(socket, NearbyConnection::Side::advertiser, timeouts_, this);
    waiting_.push_back(connection);
    connect(connection, &NearbyConnection::closed, this, [this, connection] {
        forget(connection);
        connection->deleteLater();
    });
    connect(connection, &NearbyConnection::inviteReceived, this,
            [this, connection, address](const QString& peerName,
                                        const std::optional<QByteArray>& context) {
                QPointer<NearbyConnection> pending(connection);
                QString myName = myName_;
                std::weak_ptr<InvitationLimiter> limiter = limiter_;
                InvitationHandler handler = [pending, myName, limiter,
                                             address](bool accept, NearbySession* session) {
                    if (!accept || !session) {
                        // Counted even when the browser already gave up: the
                        // refusal is what a guessing client pays for.
                        if (auto l = limiter.lock()) {
                            l->recordRefusal(address.toStdString());
                        }
                    }
                    if (!pending || pending->state() != NearbyConnection::State::invitePending) {
                        return; // the browser gave up or the advertiser stopped meanwhile
                    }
                    if (!accept || !session) {
                        pending->decline();
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
