// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalServiceDiscovery.h"

#include <QTimer>

namespace quillo {

class LocalBrowser;

struct LocalServiceDiscovery::Registry {
    struct Entry {
        QString serviceType;
        NearbyEndpoint endpoint;
        const void* owner = nullptr;
    };
    std::vector<Entry> entries;
    std::vector<LocalBrowser*> browsers;

    void announce(const Entry& entry, bool present);
};

class LocalBrowser : public ServiceBrowser {
public:
    explicit LocalBrowser(std::shared_ptr<LocalServiceDiscovery::Registry> registry)
        : registry_(std::move(registry)) {}
    ~LocalBrowser() override { stop(); }

    bool start(const QString& serviceType) override {
        if (browsing_) {
            return true;
        }
        browsing_ = true;
        serviceType_ = serviceType;
        registry_->browsers.push_back(this);
        for (const auto& entry : registry_->entries) {
            notify(entry, true);
        }
        return true;
    }

    void stop() override {
        if (!browsing_) {
            return;
        }
        browsing_ = false;
        std::erase(registry_->browsers, this);
    }

    void notify(const LocalServiceDiscovery::Registry::Entry& entry, bool present) {
        if (entry.serviceType != serviceType_) {
            return;
        }
        QPointer<LocalBrowser> self(this);
        QTimer::singleShot(0, this, [self, entry, present] {
            if (!self || !self->browsing_) {
                return;
            }
            if (present) {
                emit self->found(entry.endpoint);
            } else {
                emit self->lost(entry.endpoint.name);
            }
        });
    }

private:
    std::shared_ptr<LocalServiceDiscovery::Registry> registry_;
    QString serviceType_;
    bool browsing_ = false;
};

void LocalServiceDiscovery::Registry::announce(const Entry& entry, bool present) {
    for (auto* browser : browsers) {
        browser->notify(entry, present);
    }
}

namespace {

class LocalPublisher : public ServicePublisher {
public:
    explicit LocalPublisher(std::shared_ptr<LocalServiceDiscovery::Registry> registry)
        : registry_(std::move(registry)) {}
    ~LocalPublisher() override { unpublish(); }

    bool publish(const QString& serviceType, const QString& name, quint16 port) override {
        unpublish();
        LocalServiceDiscovery::Registry::Entry entry{serviceType, {name, "127.0.0.1", port}, this};
        registry_->entries.push_back(entry);
        registry_->announce(entry, true);
        return true;
    }

    void unpublish() override {
        auto& entries = registry_->entries;
        for (auto it = entries.begin(); it != entries.end();) {
            if (it->owner == this) {
                auto entry = *it;
                it = entries.erase(it);
                registry_->announce(entry, false);
            } else {
                ++it;
            }
        }
    }

private:
    std::shared_ptr<LocalServiceDiscovery::Registry> registry_;
};

} // namespace

LocalServiceDiscovery::LocalServiceDiscovery() : registry_(std::make_shared<Registry>()) {}
LocalServiceDiscovery::~LocalServiceDiscovery() = default;

std::unique_ptr<ServicePublisher> LocalServiceDiscovery::makePublisher() {
    return std::make_unique<LocalPublisher>(registry_);
}

std::unique_ptr<ServiceBrowser> LocalServiceDiscovery::makeBrowser() {
    return std::make_unique<LocalBrowser>(registry_);
}

void LocalServiceDiscovery::addFixed(const QString& serviceType, const NearbyEndpoint& endpoint) {
    Registry::Entry entry{serviceType, endpoint, registry_.get()};
    registry_->entries.push_back(entry);
    registry_->announce(entry, true);
}

} // namespace quillo
