// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ServiceDiscovery.h"

#include <QList>
#include <QPointer>

#include <map>
#include <vector>

namespace quillo {

// Discovery inside one process, for tests and for a host given on the command
// line: services published here are "found" at 127.0.0.1 by every browser of
// the same registry. Events are delivered from the event loop, like a daemon's.
class LocalServiceDiscovery : public ServiceDiscovery {
public:
    LocalServiceDiscovery();
    ~LocalServiceDiscovery() override;

    std::unique_ptr<ServicePublisher> makePublisher() override;
    std::unique_ptr<ServiceBrowser> makeBrowser() override;

    // A service that is always there (QuilloPeer --host/--port).
    void addFixed(const QString& serviceType, const NearbyEndpoint& endpoint);

    struct Registry;

private:
    std::shared_ptr<Registry> registry_;
};

} // namespace quillo
