// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NearbySession.h"

#include <QObject>
#include <QString>

#include <memory>

namespace quillo {

// DNS-SD as the nearby layer needs it: publish one service instance, and browse
// for the instances of a service type. `serviceType` is the bare name
// ("quillo-v1"); implementations map it to "_quillo-v1._tcp".

class ServicePublisher {
public:
    virtual ~ServicePublisher() = default;
    // False when the service cannot be published (no daemon); the caller keeps
    // listening anyway.
    virtual bool publish(const QString& serviceType, const QString& name, quint16 port) = 0;
    virtual void unpublish() = 0;
};

class ServiceBrowser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ServiceBrowser() override = default;
    // False when browsing cannot start (no daemon).
    virtual bool start(const QString& serviceType) = 0;
    virtual void stop() = 0;

signals:
    void found(const quillo::NearbyEndpoint& endpoint);
    void lost(const QString& name);
};

class ServiceDiscovery {
public:
    virtual ~ServiceDiscovery() = default;
    virtual std::unique_ptr<ServicePublisher> makePublisher() = 0;
    virtual std::unique_ptr<ServiceBrowser> makeBrowser() = 0;
};

// "_quillo-v1._tcp"
inline QString dnsSdServiceType(const QString& serviceType) {
    return QStringLiteral("_%1._tcp").arg(serviceType);
}

} // namespace quillo
