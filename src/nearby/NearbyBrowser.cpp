// SPDX-License-Identifier: GPL-3.0-or-later
#include "NearbyBrowser.h"

namespace quillo {

NearbyBrowser::NearbyBrowser(QString serviceType, std::unique_ptr<ServiceBrowser> discovery,
                             QObject* parent)
    : QObject(parent), serviceType_(std::move(serviceType)), discovery_(std::move(discovery)) {
    connect(discovery_.get(), &ServiceBrowser::found, this, &NearbyBrowser::foundPeer);
    connect(discovery_.get(), &ServiceBrowser::lost, this, &NearbyBrowser::lostPeer);
}

NearbyBrowser::~NearbyBrowser() {
    stopBrowsing();
}

bool NearbyBrowser::startBrowsing() {
    return discovery_->start(serviceType_);
}

void NearbyBrowser::stopBrowsing() {
    discovery_->stop();
}

void NearbyBrowser::invitePeer(const NearbyEndpoint& peer, NearbySession* session,
                               const std::optional<QByteArray>& context,
                               std::chrono::milliseconds timeout) {
    if (session) {
        session->invite(peer, context, timeout);
    }
}

} // namespace quillo
