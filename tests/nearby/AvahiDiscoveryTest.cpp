// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransportHarness.h"

#include "platform/AvahiServiceDiscovery.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillo {
namespace {

using test::waitUntil;

// Runs only inside run-in-avahi-namespace, next to a private avahi-daemon.
class AvahiDiscovery : public ::testing::Test, public test::TransportHarness {
protected:
    void SetUp() override {
        if (!std::getenv("QUILLO_IN_AVAHI_NAMESPACE")) {
            GTEST_SKIP()
                << "needs a private avahi-daemon: run through tests/nearby/run-in-avahi-namespace "
                   "(ctest test discovery_over_avahi)";
        }
        discovery.reset();
        avahi = std::make_shared<AvahiServiceDiscovery>();
    }

    MPCTransport::Options avahiOptions() {
        auto o = options();
        o.discovery = avahi;
        // The daemon publishes this machine's name with both 127.0.0.1 and ::1,
        // and a resolve may hand out either: listen on both, as the monitor does
        // by default. Inside the private namespace "any" is loopback alone.
        o.listenAddress = QHostAddress::Any;
        return o;
    }

    std::shared_ptr<AvahiServiceDiscovery> avahi;
};

TEST_F(AvahiDiscovery, APhoneFindsTheMonitorConnectsAndSeesItGo) {
    ASSERT_TRUE(waitUntil([&] { return avahi->daemonRunning(); }));
    MPCTransport host("Kim's Desk", TransportRole::host, "quillo-v1", true, true, avahiOptions());
    MPCTransport phone("Phone", TransportRole::client, "quillo-v1", true, true, avahiOptions());
    MPCTransport watcher("Watcher", TransportRole::client, "quillo-v1", false, true,
                         avahiOptions());
    test::TransportEvents hostEvents, phoneEvents, watcherEvents;
    hostEvents.attach(host);
    phoneEvents.attach(phone);
    watcherEvents.attach(watcher);

    host.start();
    watcher.start();
    ASSERT_TRUE(waitUntil([&] { return !watcherEvents.discovered.empty(); },
                          std::chrono::milliseconds(20000)));
    EXPECT_EQ(watcherEvents.discovered[0], "Kim's Desk");

    phone.start();
    ASSERT_TRUE(
        waitUntil([&] { return !hostEvents.connected.empty() && !phoneEvents.connected.empty(); },
                  std::chrono::milliseconds(20000)));
    EXPECT_EQ(phoneEvents.connected[0], "Kim's Desk");

    // Connected, the host withdraws its service: the others see it go.
    std::vector<std::string> lost;
    watcher.onPeerLost = [&](const TransportPeer& peer) { lost.push_back(peer.id); };
    EXPECT_TRUE(waitUntil([&] { return !lost.empty(); }, std::chrono::milliseconds(20000)));
    EXPECT_EQ(lost.at(0), "Kim's Desk");
}

} // namespace
} // namespace quillo
