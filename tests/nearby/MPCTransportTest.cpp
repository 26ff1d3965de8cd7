// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransportHarness.h"

#include "transport/TransportError.h"
#include "transport/TransportInvitationContext.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::waitUntil;
using TM = TransportMessage;

class MPCTransportTest : public ::testing::Test, public test::TransportHarness {};

TEST_F(MPCTransportTest, ConnectsOverTlsExchangesMessagesAndPausesDiscoveryWhileConnected) {
    auto host = this->host();
    auto phone = client();
    test::TransportEvents hostEvents, phoneEvents;
    hostEvents.attach(*host);
    phoneEvents.attach(*phone);

    host->start();
    host->start(); // idempotent
    ASSERT_TRUE(host->isAdvertising());
    ASSERT_TRUE(host->listeningPort().has_value());
    phone->start();

    // No invitation callback on the host: the invitation is accepted.
    ASSERT_TRUE(
        waitUntil([&] { return !hostEvents.connected.empty() && !phoneEvents.connected.empty(); }));
    EXPECT_EQ(hostEvents.connected, std::vector<std::string>{"Phone"});
    EXPECT_EQ(phoneEvents.connected, std::vector<std::string>{"Desk"});
    EXPECT_EQ(phoneEvents.discovered, std::vector<std::string>{"Desk"});
    EXPECT_FALSE(host->isAdvertising());
    EXPECT_FALSE(phone->isBrowsing());
    EXPECT_EQ(host->connectedPeers(), (std::vector<TransportPeer>{{"Phone", "Phone"}}));

    phone->send(TM::snapshotRequest(), {"Desk", "Desk"});
    host->send(TM::switchResult({"s/1", false, "进程不存在"}), {"Phone", "Phone"});
    ASSERT_TRUE(
        waitUntil([&] { return !hostEvents.received.empty() && !phoneEvents.received.empty(); }));
    EXPECT_EQ(hostEvents.received[0].first, TM::snapshotRequest());
    EXPECT_EQ(hostEvents.received[0].second, "Phone");
    EXPECT_EQ(phoneEvents.received[0].first, TM::switchResult({"s/1", false, "进程不存在"}));

    phone->stop();
    ASSERT_TRUE(waitUntil([&] { return !hostEvents.disconnected.empty(); }));
    EXPECT_EQ(hostEvents.disconnected, std::vector<std::string>{"Phone"});
    EXPECT_TRUE(host->isAdvertising()) << "discovery resumes once the session is empty";
    try {
        host->send(TM::snapshotRequest(), {"Phone", "Phone"});
        FAIL() << "sending to a gone peer must throw";
    } catch (const TransportError& e) {
        EXPECT_EQ(e.kind(), TransportError::Kind::notConnected);
        EXPECT_STREQ(e.what(), "对端未连接: Phone");
    }
    host->stop();
    EXPECT_FALSE(host->isAdvertising());
}

TEST_F(MPCTransportTest, InvitationCarriesTheContextAndADeclineLeavesNoConnection) {
    auto host = this->host();
    auto phone = client("Phone", false);
    test::TransportEvents hostEvents, phoneEvents;
    hostEvents.attach(*host);
    phoneEvents.attach(*phone);

    std::vector<std::optional<std::string>> contexts;
    host->onInvitationReceived = [&](const TransportPeer& peer,
                                     const std::optional<std::string>& context,
                                     MPCTransport::Decision decide) {
        EXPECT_EQ(peer.displayName, "Phone");
        contexts.push_back(context);
        decide(false);
        decide(true); // a second answer is ignored
    };
    phone->onPeerDiscovered = [&](const TransportPeer& peer) {
        phone->invite(peer, TransportInvitationContext::encode("secret-token"));
    };
    host->start();
    phone->start();

    ASSERT_TRUE(waitUntil([&] { return !phoneEvents.disconnected.empty(); }));
    ASSERT_EQ(contexts.size(), 1u);
    EXPECT_EQ(TransportInvitationContext::pairingToken(contexts[0]), "secret-token");
    EXPECT_EQ(phoneEvents.disconnected, std::vector<std::string>{"Desk"});
    test::spin(std::chrono::milliseconds(200));
    EXPECT_TRUE(hostEvents.connected.empty());
    EXPECT_TRUE(hostEvents.disconnected.empty()) << "a declined phone was never connected";
    EXPECT_TRUE(host->connectedPeers().empty());
    EXPECT_TRUE(host->isAdvertising());
}

TEST_F(MPCTransportTest, AnUnansweredInvitationTimesOutAndALateYesConnectsNothing) {
    timeouts.invitation = std::chrono::milliseconds(600);
    auto host = this->host();
    auto phone = client();
    test::TransportEvents hostEvents, phoneEvents;
    hostEvents.attach(*host);
    phoneEvents.attach(*phone);
    std::optional<MPCTransport::Decision> pending;
    host->onInvitationReceived = [&](const TransportPeer&, const std::optional<std::string>&,
                                     MPCTransport::Decision decide) { pending = decide; };
    host->start();
    phone->start();

    ASSERT_TRUE(waitUntil([&] { return !phoneEvents.disconnected.empty(); }));
    ASSERT_TRUE(pending.has_value());
    test::spin(std::chrono::milliseconds(100));
    (*pending)(true);
    test::spin(std::chrono::milliseconds(200));
    EXPECT_TRUE(hostEvents.connected.empty());
    EXPECT_TRUE(phoneEvents.connected.empty());
}

TEST_F(MPCTransportTest, RebuildsTheSessionAfterThreeDisconnectsWithinTenSeconds) {
    auto host = this->host();
    auto phone = client();
    test::TransportEvents hostEvents, phoneEvents;
    hostEvents.attach(*host);
    phoneEvents.attach(*phone);
    host->start();
    const auto port = host->listeningPort();

    auto cycle = [&](double secondsLater) {
        const auto before = hostEvents.disconnected.size();
        phone->start();
        EXPECT_TRUE(waitUntil([&] { return host->connectedPeers().size() == 1; }));
        clock += Seconds(secondsLater);
        phone->stop();
        EXPECT_TRUE(waitUntil([&] { return hostEvents.disconnected.size() == before + 1; }));
    };

    const int generation = host->sessionGeneration();
    cycle(0);
    cycle(1);
    EXPECT_EQ(host->sessionGeneration(), generation) << "two disconnects rebuild nothing";
    cycle(1);
    EXPECT_EQ(host->sessionGeneration(), generation + 1);
    EXPECT_TRUE(host->isAdvertising());
    EXPECT_EQ(host->listeningPort(), port) << "the port survives a rebuild";

    // The count starts over, and disconnects spread over more than ten
    // seconds never add up to a rebuild.
    cycle(100);
    cycle(5);
    cycle(6);
    EXPECT_EQ(host->sessionGeneration(), generation + 1);

    phone->start();
    EXPECT_TRUE(waitUntil([&] { return host->connectedPeers().size() == 1; }))
        << "the new session serves";
}

TEST_F(MPCTransportTest, AHostFoundTwiceUnderOneNameIsReachedAtItsLatestAddress) {
    auto realHost = std::make_unique<MPCTransport>(
        "Desk", TransportRole::host, std::string(TransportServiceType::mvp), true, true, [&] {
            auto o = options();
            o.discovery = std::make_shared<LocalServiceDiscovery>();
            return o;
        }());
    realHost->start();
    ASSERT_TRUE(realHost->listeningPort());

    auto phone = client("Phone", false);
    test::TransportEvents phoneEvents;
    phoneEvents.attach(*phone);
    phone->start();
    const QString type = QString::fromUtf8(TransportServiceType::mvp.data());
    discovery->addFixed(type, {"Desk", "127.0.0.1", 9});
    discovery->addFixed(type, {"Desk", "127.0.0.1", *realHost->listeningPort()});
    ASSERT_TRUE(waitUntil([&] { return phoneEvents.discovered.size() == 2; }));
    EXPECT_EQ(phone->discoveredPeers(), std::vector<std::string>{"Desk"});

    phone->invite({"Desk", "Desk"}, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return !phoneEvents.connected.empty(); }));
    EXPECT_TRUE(phoneEvents.disconnected.empty());
    phone->invite({"Nobody", "Nobody"}, std::nullopt); // unknown peers are ignored
}

} // namespace
} // namespace quillo

namespace quillo {
namespace {

TEST_F(MPCTransportTest, AQuietConnectionIsKeptAliveByPings) {
    timeouts.ping = std::chrono::milliseconds(150);
    timeouts.idle = std::chrono::milliseconds(700);
    auto host = this->host();
    auto phone = client();
    test::TransportEvents hostEvents;
    hostEvents.attach(*host);
    host->start();
    phone->start();
    ASSERT_TRUE(test::waitUntil([&] { return !hostEvents.connected.empty(); }));
    test::spin(std::chrono::milliseconds(2000));
    EXPECT_TRUE(hostEvents.disconnected.empty()) << "PING and PONG count as traffic";
}

} // namespace
} // namespace quillo
