// SPDX-License-Identifier: GPL-3.0-or-later
#include "MPCTransport.h"

#include "DiagnosticLogger.h"
#include "DisplayName.h"
#include "TransportPort.h"
#include "platform/AvahiServiceDiscovery.h"
#include "transport/TransportCoding.h"
#include "transport/TransportError.h"

#include <QPointer>

namespace quillo {

namespace {

constexpr auto rebuildWindow = std::chrono::seconds(10);
constexpr std::size_t disconnectsBeforeRebuild = 3;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void MPCTransport::LaterDeleter::operator()(QObject* object) const {
    if (object) {
        object->disconnect();
        object->deleteLater();
    }
}

std::string MPCTransport::sanitize(std::string_view displayName) {
    return DisplayName::sanitize(displayName);
}

MPCTransport::MPCTransport(const std::string& displayName, TransportRole role,
                           std::string serviceType, bool autoInvite,
                           bool pauseDiscoveryWhileConnected, Options options)
    : myPeerID_(sanitize(displayName)), serviceType_(std::move(serviceType)), role_(role),
      autoInvite_(autoInvite), pauseDiscoveryWhileConnected_(pauseDiscoveryWhileConnected),
      options_(std::move(options)) {
    if (!options_.discovery) {
        options_.discovery = AvahiServiceDiscovery::shared();
    }
    limiter_ = std::make_shared<InvitationLimiter>([this] { return currentTime(); });
    makeSession();
}

MPCTransport::~MPCTransport() {
    stopDiscovery(true);
    if (session_) {
        session_->disconnect(this);
        session_->disconnectAll();
    }
}

Timestamp MPCTransport::currentTime() const {
    return options_.clock ? options_.clock() : now();
}

void MPCTransport::makeSession() {
    session_.reset(new NearbySession(qs(myPeerID_), options_.timeouts));
    session_->setHostCheck(options_.verifyHost);
    ++sessionGeneration_;
    QPointer<NearbySession> session(session_.get());
    // Events hop through the event loop, as the peer layer's callbacks would,
    // so no handler runs inside the connection code that raised it; events of
    // a session that has since been replaced are dropped.
    connect(session_.get(), &NearbySession::peerStateChanged, this,
            [this, session](const QString& peer, NearbyPeerState state) {
                QMetaObject::invokeMethod(
                    this,
                    [this, session, peer, state] {
                        if (session && session == session_.get()) {
                            peerStateChanged(peer, state);
                        }
                    },
                    Qt::QueuedConnection);
            });
    connect(session_.get(), &NearbySession::invitationDeclined, this,
            [this, session](const QString& peer, const QString& reason) {
                QMetaObject::invokeMethod(
                    this,
                    [this, session, peer, reason] {
                        if (session && session == session_.get() && onInvitationDeclined) {
                            std::string name = peer.toStdString();
                            onInvitationDeclined(TransportPeer{name, name}, reason.toStdString());
                        }
                    },
                    Qt::QueuedConnection);
            });
    connect(session_.get(), &NearbySession::dataReceived, this,
            [this, session](const QByteArray& data, const QString& peer) {
                std::optional<TransportMessage> message;
                try {
                    message = TransportCoding::decode(
                        std::string_view(data.constData(), static_cast<std::size_t>(data.size())));
                } catch (const TransportCoding::CodingError&) {
                    return; // undecodable data is dropped without a word
                }
                QMetaObject::invokeMethod(
                    this,
                    [this, session, peer, message = std::move(*message)] {
                        if (session && session == session_.get() && onReceive) {
                            std::string name = peer.toStdString();
                            onReceive(message, TransportPeer{name, name});
                        }
                    },
                    Qt::QueuedConnection);
            });
}

void MPCTransport::start() {
    isRunning_ = true;
    resumeDiscoveryIfAppropriate();
}

void MPCTransport::stop() {
    isRunning_ = false;
    stopDiscovery(true);
    session_->disconnectAll();
}

void MPCTransport::send(const TransportMessage& message, const TransportPeer& peer) {
    const QString target = qs(peer.id);
    if (!session_->isConnected(target)) {
        throw TransportError::notConnected(peer.id);
    }
    std::string bytes;
    try {
        bytes = TransportCoding::encode(message);
    } catch (const TransportCoding::CodingError& e) {
        throw TransportError::encodingFailed(e.what());
    }
    QString error;
    if (!session_->send(QByteArray::fromStdString(bytes), target, &error)) {
        throw TransportError::sendFailed(error.toStdString());
    }
}

std::vector<TransportPeer> MPCTransport::connectedPeers() const {
    std::vector<TransportPeer> peers;
    for (const auto& name : session_->connectedPeers()) {
        std::string id = name.toStdString();
        peers.push_back({id, id});
    }
    return peers;
}

void MPCTransport::disconnectPeer(const TransportPeer& peer) {
    session_->disconnectPeer(qs(peer.id));
}

void MPCTransport::invite(const TransportPeer& peer, const std::optional<std::string>& context) {
    auto it = discoveredMCPeers_.find(peer.id);
    if (it == discoveredMCPeers_.end() || !browser_) {
        return;
    }
    std::optional<QByteArray> bytes;
    if (context) {
        bytes = QByteArray::fromStdString(*context);
    }
    browser_->invitePeer(it->second, session_.get(), bytes, options_.timeouts.invitation);
}

std::optional<quint16> MPCTransport::listeningPort() const {
    if (advertiser_ && advertiser_->isListening()) {
        return advertiser_->port();
    }
    return std::nullopt;
}

std::vector<std::string> MPCTransport::discoveredPeers() const {
    std::vector<std::string> names;
    for (const auto& [name, endpoint] : discoveredMCPeers_) {
        names.push_back(name);
    }
    return names;
}

void MPCTransport::startAdvertiserIfNeeded() {
    if (advertiser_) {
        return;
    }
    if (!identity_) {
        auto file =
            options_.identityFile.empty() ? NearbyIdentity::standardFile() : options_.identityFile;
        identity_ = NearbyIdentity::loadOrCreate(file);
        if (!identity_) {
            DiagnosticLogger::error("transport", "no TLS identity: cannot advertise",
                                    {{"file", file.string()}});
            return;
        }
    }
    NearbyAdvertiser::Listen listen;
    listen.address = options_.listenAddress;
    listen.preferredPort =
        lastPort_ ? *lastPort_
                  : (options_.port ? *options_.port : TransportPort::fromEnvironment());
    Owned<NearbyAdvertiser> advertiser(new NearbyAdvertiser(
        qs(myPeerID_), qs(serviceType_), *identity_, options_.discovery->makePublisher(), listen,
        options_.timeouts, nullptr, limiter_));
    if (!advertiser->startAdvertising()) {
        return; // logged by the advertiser; not retried
    }
    if (listen.preferredPort != 0 && advertiser->port() != listen.preferredPort) {
        DiagnosticLogger::warn("transport", "transport port taken; listening on another",
                               {{"wanted", std::to_string(listen.preferredPort)},
                                {"port", std::to_string(advertiser->port())}});
        if (!lastPort_) {
            portWantedButTaken_ = listen.preferredPort;
        }
    }
    // Keep the port across pauses and rebuilds, so a peer that knows the
    // address can come back.
    lastPort_ = advertiser->port();
    connect(advertiser.get(), &NearbyAdvertiser::invitationReceived, this,
            &MPCTransport::invitationReceived);
    advertiser_ = std::move(advertiser);
}

void MPCTransport::startBrowserIfNeeded() {
    if (browser_) {
        return;
    }
    Owned<NearbyBrowser> browser(
        new NearbyBrowser(qs(serviceType_), options_.discovery->makeBrowser()));
    connect(browser.get(), &NearbyBrowser::foundPeer, this, [this](NearbyEndpoint endpoint) {
        // Anyone on the network can advertise; the name is shown and logged.
        endpoint.name = QString::fromStdString(DisplayName::clean(endpoint.name.toStdString()));
        if (endpoint.name.isEmpty()) {
            return;
        }
        std::string name = endpoint.name.toStdString();
        discoveredMCPeers_[name] = endpoint;
        TransportPeer peer{name, name};
        if (onPeerDiscovered) {
            onPeerDiscovered(peer);
        }
        if (autoInvite_ && browser_) {
            browser_->invitePeer(endpoint, session_.get(), std::nullopt,
                                 options_.timeouts.invitation);
        }
    });
    connect(browser.get(), &NearbyBrowser::lostPeer, this, [this](const QString& name) {
        std::string id = name.toStdString();
        discoveredMCPeers_.erase(id);
        if (onPeerLost) {
            onPeerLost(TransportPeer{id, id});
        }
    });
    if (!browser->startBrowsing()) {
        DiagnosticLogger::warn("transport", "cannot browse: no DNS-SD daemon");
    }
    browser_ = std::move(browser);
}

void MPCTransport::stopDiscovery(bool clearDiscoveredPeers) {
    if (advertiser_) {
        advertiser_->stopAdvertising();
        advertiser_.reset();
    }
    if (browser_) {
        browser_->stopBrowsing();
        browser_.reset();
    }
    if (clearDiscoveredPeers) {
        discoveredMCPeers_.clear();
    }
}

void MPCTransport::resumeDiscoveryIfAppropriate() {
    if (!isRunning_) {
        return;
    }
    if (pauseDiscoveryWhileConnected_ && !session_->connectedPeers().isEmpty()) {
        return;
    }
    switch (role_) {
    case TransportRole::host:
        startAdvertiserIfNeeded();
        break;
    case TransportRole::client:
        startBrowserIfNeeded();
        break;
    case TransportRole::both:
        startAdvertiserIfNeeded();
        startBrowserIfNeeded();
        break;
    }
}

void MPCTransport::peerStateChanged(const QString& peerName, NearbyPeerState state) {
    std::string name = peerName.toStdString();
    TransportPeer peer{name, name};
    switch (state) {
    case NearbyPeerState::connected:
        if (pauseDiscoveryWhileConnected_ && !session_->connectedPeers().isEmpty()) {
            stopDiscovery(false);
        }
        if (onPeerConnected) {
            onPeerConnected(peer);
        }
        break;
    case NearbyPeerState::notConnected:
        if (onPeerDisconnected) {
            onPeerDisconnected(peer);
        }
        recordDisconnectAndMaybeRebuild();
        resumeDiscoveryIfAppropriate();
        break;
    case NearbyPeerState::connecting:
        break;
    }
}

void MPCTransport::recordDisconnectAndMaybeRebuild() {
    const Timestamp at = currentTime();
    disconnectTimestamps_.push_back(at);
    std::erase_if(disconnectTimestamps_, [&](Timestamp t) { return t < at - rebuildWindow; });
    if (disconnectTimestamps_.size() >= disconnectsBeforeRebuild) {
        rebuildSession();
    }
}

void MPCTransport::rebuildSession() {
    disconnectTimestamps_.clear();
    stopDiscovery(true);
    session_->disconnect(this);
    session_->disconnectAll();
    makeSession();
    resumeDiscoveryIfAppropriate();
}

void MPCTransport::invitationReceived(const QString& peerName,
                                      const std::optional<QByteArray>& context,
                                      const QString& address,
                                      const NearbyAdvertiser::InvitationHandler& handler) {
    std::string name = peerName.toStdString();
    TransportPeer peer{name, name};
    std::optional<std::string> contextBytes;
    if (context) {
        contextBytes = context->toStdString();
    }
    QPointer<MPCTransport> self(this);
    auto answered = std::make_shared<bool>(false);
    Decision decision([self, handler, answered](bool accept, const std::string& reason) {
        if (*answered || !self) {
            return; // a transport that is gone leaves the invitation unanswered
        }
        *answered = true;
        handler(accept, accept ? self->session_.get() : nullptr, QString::fromStdString(reason));
    });
    if (onInvitationReceivedFrom) {
        onInvitationReceivedFrom(peer, contextBytes, address.toStdString(), decision);
    } else if (onInvitationReceived) {
        onInvitationReceived(peer, contextBytes, decision);
    } else {
        decision(true);
    }
}

} // namespace quillo
