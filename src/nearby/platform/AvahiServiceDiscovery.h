// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ServiceDiscovery.h"

#include <memory>

namespace quillo {

// DNS-SD through the avahi daemon. One client connection serves every
// publisher and browser made from it; when no daemon runs, publishing and
// browsing report false and start by themselves once the daemon appears.
class AvahiServiceDiscovery : public ServiceDiscovery,
                              public std::enable_shared_from_this<AvahiServiceDiscovery> {
public:
    AvahiServiceDiscovery();
    ~AvahiServiceDiscovery() override;

    // The instance the transports of this process share by default.
    static std::shared_ptr<AvahiServiceDiscovery> shared();

    std::unique_ptr<ServicePublisher> makePublisher() override;
    std::unique_ptr<ServiceBrowser> makeBrowser() override;

    bool daemonRunning() const;

    struct Private;

private:
    std::shared_ptr<Private> d;
};

} // namespace quillo
