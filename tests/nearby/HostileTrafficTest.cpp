#include "TransportHarness.h"

#include "NearbyFrame.h"

#include <QRandomGenerator>
#include <QSslSocket>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::waitUntil;

QByteArray lengthHeader(std::uint32_t length) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(length >> (24 - 8 * i));
    }
    return out;
}

QByteArray randomBytes(int size) {
    QByteArray out(size, '\0');
    for (auto& c : out) {
        c = static_cast<char>(QRandomGenerator::global()->bounded(256));
    }
    return out;
}

QByteArray frame(FrameType type, const QByteArray& body = {}) {
    return *NearbyFrame::encode(type, body);
}

// A host serving on loopback, attacked by hand-made clients; after each
// attack a well-behaved phone must still get in.
class HostileTrafficTest : public ::testing::Test, public test::TransportHarness {
protected:
    void SetUp() override {
        timeouts.invite = std::chrono::milliseconds(1500);
        timeouts.ping = std::chrono::milliseconds(300);
        timeouts.idle = std::chrono::milliseconds(1200);
        host = TransportHarness::host();
        events.attach(*host);
        host->start();
        ASSERT_TRUE(host->listeningPort());
        port = *host->listeningPort();
    }

    std::unique_ptr<QSslSocket> tls() {
        auto socket = std::make_unique<QSslSocket>();
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->connectToHostEncrypted("127.0.0.1", port);
        EXPECT_TRUE(waitUntil([&] { return socket->isEncrypted(); }));
        return socket;
    }

    std::unique_ptr<QTcpSocket> plain() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost("127.0.0.1", port);
        EXPECT_TRUE(waitUntil([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
        return socket;
    }

    static bool closedByHost(QAbstractSocket& socket) {
        return waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
    }

    void expectAPhoneStillGetsIn() {
        auto phone = client();
        test::TransportEvents phoneEvents;
        phoneEvents.attach(*phone);
        phone->start();
        EXPECT_TRUE(waitUntil([&] { return !phoneEvents.connected.empty(); }));
        EXPECT_EQ(host->connectedPeers().size(), 1u);
        phone->stop();
        EXPECT_TRUE(waitUntil([&] { return host->connectedPeers().empty(); }));
    }

    std::unique_ptr<MPCTransport> host;
    test::TransportEvents events;
    quint16 port = 0;
};

TEST_F(HostileTrafficTest, RandomBytesWithOrWithoutTlsAreCutOff) {
    auto raw = plain();
    raw->write(randomBytes(4096));
    EXPECT_TRUE(closedByHost(*raw));

    auto noise = tls();
    noise->write(randomBytes(4096));
    EXPECT_TRUE(closedByHost(*noise));
    expectAPhoneStillGetsIn();
}

TEST_F(HostileTrafficTest, FramesThatBreakTheRulesCloseOnlyTheirConnection) {
    const std::vector<std::pair<const char*, QByteArray>> attacks{
        {"length 0", lengthHeader(0)},
        {"length 2^31", lengthHeader(0x80000000u) + QByteArray(64, 'x')},
        {"unknown type", lengthHeader(1) + QByteArray(1, '\x09')},
        {"DATA before ACCEPT", frame(FrameType::data, R"({"type":"snapshot_request"})")},
        {"ACCEPT to the host", frame(FrameType::accept, R"({"v":1,"name":"x"})")},
        {"INVITE that is not JSON", frame(FrameType::invite, "hello")},
        {"INVITE of another version", frame(FrameType::invite, R"({"v":2,"name":"x"})")},
        {"INVITE with a blank name", frame(FrameType::invite, R"({"v":1,"name":"  "})")},
        {"INVITE with bad base64",
         frame(FrameType::invite, R"({"v":1,"name":"x","context":"%%%"})")},
        {"PING with a body", frame(FrameType::ping, "x")},
    };
    // One well-behaved connection stays open next to the attacks throughout.
    auto bystander = tls();
    for (const auto& [name, bytes] : attacks) {
        auto socket = tls();
        socket->write(bytes);
        EXPECT_TRUE(closedByHost(*socket)) << name;
    }
    bystander->write(frame(FrameType::ping));
    EXPECT_TRUE(waitUntil([&] { return bystander->bytesAvailable() > 0; }))
        << "PONG for the bystander";
    EXPECT_EQ(bystander->state(), QAbstractSocket::ConnectedState);
    EXPECT_TRUE(events.connected.empty());
    expectAPhoneStillGetsIn();
}

TEST_F(HostileTrafficTest, ASecondInviteAndDataWhileTheDecisionIsPendingAreCutOff) {
    int invitations = 0;
    host->onInvitationReceived = [&](const TransportPeer&, const std::optional<std::string>&,
                                     MPCTransport::Decision) { ++invitations; };
    const QByteArray invite = frame(FrameType::invite, R"({"v":1,"name":"Mallory"})");
    auto twice = tls();
    twice->write(invite + invite);
    EXPECT_TRUE(closedByHost(*twice));

    auto eager = tls();
    eager->write(invite + frame(FrameType::data, R"({"type":"snapshot_request"})"));
    EXPECT_TRUE(closedByHost(*eager));
    EXPECT_EQ(invitations, 2);
    EXPECT_TRUE(host->connectedPeers().empty());
}

TEST_F(HostileTrafficTest, ASilentClientIsDroppedAfterTheInviteTimeOut) {
    auto silent = tls();
    auto mute = plain(); // not even a TLS handshake
    EXPECT_TRUE(closedByHost(*silent));
    EXPECT_TRUE(closedByHost(*mute));
}

TEST_F(HostileTrafficTest, AConnectedPeerThatFallsSilentIsDropped) {
    auto mute = tls();
    mute->write(frame(FrameType::invite, R"({"v":1,"name":"Mute"})"));
    ASSERT_TRUE(waitUntil([&] { return events.connected.size() == 1; }));
    // It never reads, so it never answers the host's PINGs.
    EXPECT_TRUE(waitUntil([&] { return events.disconnected.size() == 1; }));
    EXPECT_TRUE(closedByHost(*mute));
}

TEST_F(HostileTrafficTest, AFloodOfJunkConnectionsDoesNotKeepAPhoneOut) {
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 150; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost("127.0.0.1", port);
        if (i % 3 == 0) {
            socket->write(randomBytes(64));
        }
        flood.push_back(std::move(socket));
    }
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(flood.begin(), flood.end(), [](const auto& s) {
            return s->state() == QAbstractSocket::ConnectedState ||
                   s->state() == QAbstractSocket::UnconnectedState;
        });
    }));
    expectAPhoneStillGetsIn();
}

} // namespace
} // namespace quillo
