// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NearbySession.h"
#include "platform/ServiceDiscovery.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

namespace quillo {

// Finds advertisers of a service type and invites them into a session.
class NearbyBrowser : public QObject {
    Q_OBJECT
public:
    NearbyBrowser(QString serviceType, std::unique_ptr<ServiceBrowser> discovery,
                  QObject* parent = nullptr);
    ~NearbyBrowser() override;

    // False when discovery could not start (no daemon).
    bool startBrowsing();
    void stopBrowsing();

    void invitePeer(const NearbyEndpoint& peer, NearbySession* session,
                    const std::optional<QByteArray>& context, std::chrono::milliseconds timeout);

signals:
    void foundPeer(const quillo::NearbyEndpoint& peer);
    void lostPeer(const QString& name);

private:
    QString serviceType_;
    std::unique_ptr<ServiceBrowser> discovery_;
};

} // namespace quillo
