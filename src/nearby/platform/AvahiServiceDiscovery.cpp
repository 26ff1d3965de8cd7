// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AvahiServiceDiscovery.h"

#include "platform/AvahiQtPoll.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>

#include <QPointer>
#include <QTimer>

#include <net/if.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace quillo {

// Publishers and browsers follow the client: they (re)start when the daemon
// is there and forget their avahi objects when it goes away.
class AvahiClientListener {
public:
    virtual ~AvahiClientListener() = default;
    virtual void clientRunning() = 0;
    virtual void clientLost() = 0;
};

struct AvahiServiceDiscovery::Private {
    AvahiQtPoll poll;
    AvahiClient* client = nullptr;
    bool running = false;
    std::vector<AvahiClientListener*> listeners;
    QTimer retry;

    Private() {
        retry.setSingleShot(true);
        QObject::connect(&retry, &QTimer::timeout, [this] { connectClient(); });
        connectClient();
    }

    ~Private() {
        if (client) {
            avahi_client_free(client);
        }
    }

    void connectClient() {
        int error = 0;
        // NO_FAIL: without a daemon the client waits for one instead of failing.
        client = avahi_client_new(poll.poll(), AVAHI_CLIENT_NO_FAIL, &Private::stateChanged, this,
                                  &error);
        if (!client) {
            retry.start(5000);
        }
    }

    static void stateChanged(AvahiClient* c, AvahiClientState state, void* userdata) {
        auto* self = static_cast<Private*>(userdata);
        self->client = c; // also reached from inside avahi_client_new
        const bool wasRunning = self->running;
        self->running = state == AVAHI_CLIENT_S_RUNNING || state == AVAHI_CLIENT_S_COLLISION ||
                        state == AVAHI_CLIENT_S_REGISTERING;
        auto listeners = self->listeners;
        if (self->running && !wasRunning) {
            for (auto* l : listeners) {
                l->clientRunning();
            }
        } else if (!self->running && wasRunning) {
            for (auto* l : listeners) {
                l->clientLost();
            }
        }
        if (state == AVAHI_CLIENT_FAILURE) {
            QTimer::singleShot(0, [self, c] {
                if (self->client == c) {
                    avahi_client_free(c);
                    self->client = nullptr;
                    self->retry.start(5000);
                }
            });
        }
    }

    void add(AvahiClientListener* l) { listeners.push_back(l); }
    void remove(AvahiClientListener* l) { std::erase(listeners, l); }
};

namespace {

std::string dnsSdType(const QString& serviceType) {
    return dnsSdServiceType(serviceType).toStdString();
}

class AvahiPublisher : public ServicePublisher, public AvahiClientListener {
public:
    explicit AvahiPublisher(std::shared_ptr<AvahiServiceDiscovery::Private> d) : d_(std::move(d)) {
        d_->add(this);
    }
    ~AvahiPublisher() override {
        unpublish();
        d_->remove(this);
    }

    bool publish(const QString& serviceType, const QString& name, quint16 port) override {
        type_ = dnsSdType(serviceType);
        name_ = name.toStdString();
        port_ = port;
        wanted_ = true;
        return apply();
    }

    void unpublish() override {
        wanted_ = false;
        freeGroup();
    }

    void clientRunning() override {
        if (wanted_) {
            apply();
        }
    }
    void clientLost() override { freeGroup(); }

private:
    void freeGroup() {
        if (group_) {
            avahi_entry_group_free(group_);
            group_ = nullptr;
        }
    }

    bool apply() {
        if (!d_->running || !d_->client) {
            return false;
        }
        if (!group_) {
            group_ = avahi_entry_group_new(d_->client, &AvahiPublisher::groupChanged, this);
            if (!group_) {
                return false;
            }
        } else {
            avahi_entry_group_reset(group_);
        }
        int result = avahi_entry_group_add_service(
            group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name_.c_str(),
            type_.c_str(), nullptr, nullptr, port_, "v=1", nullptr);
        if (result == AVAHI_ERR_COLLISION) {
            rename();
            return apply();
        }
        return result >= 0 && avahi_entry_group_commit(group_) >= 0;
    }

    void rename() {
        char* alternative = avahi_alternative_service_name(name_.c_str());
        name_ = alternative;
        avahi_free(alternative);
    }

    static void groupChanged(AvahiEntryGroup*, AvahiEntryGroupState state, void* userdata) {
        auto* self = static_cast<AvahiPublisher*>(userdata);
        if (state == AVAHI_ENTRY_GROUP_COLLISION && self->wanted_) {
            // Another host has the name on this network: take "name #2" and so on.
            self->rename();
            QTimer::singleShot(0, [self, alive = self->alive_] {
                if (*alive && self->wanted_) {
                    self->apply();
                }
            });
        }
    }

    std::shared_ptr<AvahiServiceDiscovery::Private> d_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    AvahiEntryGroup* group_ = nullptr;
    std::string type_;
    std::string name_;
    quint16 port_ = 0;
    bool wanted_ = false;

public:
    // Marks the publisher gone for callbacks already scheduled.
    struct Guard {
        std::shared_ptr<bool> alive;
        ~Guard() { *alive = false; }
    } guard_{alive_};
};

class AvahiBrowser : public ServiceBrowser, public AvahiClientListener {
public:
    explicit AvahiBrowser(std::shared_ptr<AvahiServiceDiscovery::Private> d) : d_(std::move(d)) {
        d_->add(this);
    }
    ~AvahiBrowser() override {
        stop();
        d_->remove(this);
    }

    bool start(const QString& serviceType) override {
        type_ = dnsSdType(serviceType);
        wanted_ = true;
        return apply();
    }

    void stop() override {
        wanted_ = false;
        release();
    }

    void clientRunning() override {
        if (wanted_) {
            apply();
        }
    }

    void clientLost() override {
        std::vector<QString> names;
        for (const auto& [name, where] : present_) {
            names.push_back(name);
        }
        release();
        for (const auto& name : names) {
            emit lost(name);
        }
    }

private:
    using Where = std::pair<AvahiIfIndex, AvahiProtocol>;

    void release() {
        for (auto* resolver : resolvers_) {
            avahi_service_resolver_free(resolver);
        }
        resolvers_.clear();
        if (browser_) {
            avahi_service_browser_free(browser_);
            browser_ = nullptr;
        }
        present_.clear();
    }

    bool apply() {
        if (browser_) {
            return true;
        }
        if (!d_->running || !d_->client) {
            return false;
        }
        browser_ = avahi_service_browser_new(d_->client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                             type_.c_str(), nullptr, AvahiLookupFlags(0),
                                             &AvahiBrowser::browsed, this);
        return browser_ != nullptr;
    }

    static void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                        AvahiBrowserEvent event, const char* name, const char* type,
                        const char* domain, AvahiLookupResultFlags, void* userdata) {
        auto* self = static_cast<AvahiBrowser*>(userdata);
        switch (event) {
        case AVAHI_BROWSER_NEW: {
            auto* resolver = avahi_service_resolver_new(
                self->d_->client, interface, protocol, name, type, domain, AVAHI_PROTO_UNSPEC,
                AvahiLookupFlags(0), &AvahiBrowser::resolved, self);
            if (resolver) {
                self->resolvers_.insert(resolver);
            }
            break;
        }
        case AVAHI_BROWSER_REMOVE: {
            QString key = QString::fromUtf8(name);
            auto it = self->present_.find(key);
            if (it != self->present_.end()) {
                it->second.erase({interface, protocol});
                if (it->second.empty()) {
                    self->present_.erase(it);
                    emit self->lost(key);
                }
            }
            break;
        }
        case AVAHI_BROWSER_FAILURE:
        case AVAHI_BROWSER_ALL_FOR_NOW:
        case AVAHI_BROWSER_CACHE_EXHAUSTED:
            break;
        }
    }

    static void resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface,
                         AvahiProtocol protocol, AvahiResolverEvent event, const char* name,
                         const char*, const char*, const char*, const AvahiAddress* address,
                         uint16_t port, AvahiStringList*, AvahiLookupResultFlags, void* userdata) {
        auto* self = static_cast<AvahiBrowser*>(userdata);
        self->resolvers_.erase(resolver);
        avahi_service_resolver_free(resolver);
        if (event != AVAHI_RESOLVER_FOUND || !address) {
            return;
        }
        char text[AVAHI_ADDRESS_STR_MAX];
        avahi_address_snprint(text, sizeof text, address);
        QString host = QString::fromLatin1(text);
        if (address->proto == AVAHI_PROTO_INET6 &&
            host.startsWith(QLatin1String("fe80"), Qt::CaseInsensitive)) {
            char ifname[IF_NAMESIZE] = {};
            if (if_indextoname(static_cast<unsigned>(interface), ifname)) {
                host += QLatin1Char('%') + QString::fromLatin1(ifname);
            }
        }
        QString key = QString::fromUtf8(name);
        auto& where = self->present_[key];
        const bool first = where.empty();
        where.insert({interface, protocol});
        if (first) {
            emit self->found(NearbyEndpoint{key, host, port});
        }
    }

    std::shared_ptr<AvahiServiceDiscovery::Private> d_;
    std::string type_;
    bool wanted_ = false;
    AvahiServiceBrowser* browser_ = nullptr;
    std::set<AvahiServiceResolver*> resolvers_;
    std::map<QString, std::set<Where>> present_;
};

} // namespace

AvahiServiceDiscovery::AvahiServiceDiscovery() : d(std::make_shared<Private>()) {}
AvahiServiceDiscovery::~AvahiServiceDiscovery() = default;

std::shared_ptr<AvahiServiceDiscovery> AvahiServiceDiscovery::shared() {
    static std::weak_ptr<AvahiServiceDiscovery> instance;
    auto existing = instance.lock();
    if (!existing) {
        existing = std::make_shared<AvahiServiceDiscovery>();
        instance = existing;
    }
    return existing;
}

std::unique_ptr<ServicePublisher> AvahiServiceDiscovery::makePublisher() {
    return std::make_unique<AvahiPublisher>(d);
}

std::unique_ptr<ServiceBrowser> AvahiServiceDiscovery::makeBrowser() {
    return std::make_unique<AvahiBrowser>(d);
}

bool AvahiServiceDiscovery::daemonRunning() const {
    return d->running;
}

} // namespace quillo
