// SPDX-License-Identifier: GPL-3.0-or-later
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

    // A host whose time-out for the first frame is far beyond any wait of the
    // test, so that whatever closes a connection, it is not that time-out.
    void restartWithPatientHost() {
        host->stop();
        host.reset();
        timeouts.invite = std::chrono::milliseconds(600'000);
        timeouts.idle = std::chrono::milliseconds(600'000);
        host = TransportHarness::host();
        events = {};
        events.attach(*host);
        host->start();
        ASSERT_TRUE(host->listeningPort());
        port = *host->listeningPort();
    }

    std::unique_ptr<QSslSocket> tls(const QHostAddress& from = {}) {
        auto socket = std::make_unique<QSslSocket>();
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        if (!from.isNull()) {
            socket->bind(from);
        }
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

TEST_F(HostileTrafficTest, BeforeAcceptFramesAreSmallAndShallow) {
    restartWithPatientHost();
    int invitations = 0;
    host->onInvitationReceived = [&](const TransportPeer&, const std::optional<std::string>&,
                                     MPCTransport::Decision) { ++invitations; };
    // A header announcing more than 64 KiB is enough: nothing waits for the body.
    auto large = tls();
    large->write(lengthHeader(NearbyFrame::maxLengthBeforeAccept + 1) + QByteArray(1, '\x01'));
    EXPECT_TRUE(closedByHost(*large));

    // An INVITE that would be valid but for a deeply nested extra member.
    const QByteArray deep = QByteArray(40, '[') + QByteArray(40, ']');
    auto nested = tls();
    nested->write(frame(FrameType::invite, R"({"v":1,"name":"Deep","pad":)" + deep + "}"));
    EXPECT_TRUE(closedByHost(*nested));
    EXPECT_EQ(invitations, 0);

    // The same INVITE nested within the limit is an invitation like any other.
    const QByteArray shallow = QByteArray(20, '[') + QByteArray(20, ']');
    auto fine = tls();
    fine->write(frame(FrameType::invite, R"({"v":1,"name":"Deep","pad":)" + shallow + "}"));
    EXPECT_TRUE(waitUntil([&] { return invitations == 1; }));
}

TEST_F(HostileTrafficTest, NamesFromTheOtherEndArriveCleaned) {
    std::vector<std::string> names;
    host->onInvitationReceived = [&](const TransportPeer& peer, const std::optional<std::string>&,
                                     MPCTransport::Decision decide) {
        names.push_back(peer.displayName);
        decide(false);
    };
    auto spoof = tls();
    spoof->write(frame(FrameType::invite, "{\"v\":1,\"name\":\"Ph\u201d\\n\u202eone\"}"));
    auto blank = tls();
    blank->write(frame(FrameType::invite, R"({"v":1,"name":"\u202e\u0007"})"));
    EXPECT_TRUE(closedByHost(*blank));
    ASSERT_TRUE(waitUntil([&] { return names.size() == 1; }));
    EXPECT_EQ(names[0], "Ph\u201d one");
}

TEST_F(HostileTrafficTest, PendingConnectionsAreCappedOldestFirst) {
    restartWithPatientHost();
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < NearbyAdvertiser::maxWaitingConnections + 40; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost("127.0.0.1", port);
        flood.push_back(std::move(socket));
        // Let the host take each in turn, so "oldest" means the first ones.
        if (i < NearbyAdvertiser::maxWaitingConnections) {
            ASSERT_TRUE(waitUntil([&] { return host->waitingConnections() == i + 1; }));
        } else {
            test::spin(std::chrono::milliseconds(5));
        }
    }
    EXPECT_EQ(host->waitingConnections(), NearbyAdvertiser::maxWaitingConnections);
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(closedByHost(*flood[static_cast<std::size_t>(i)])) << i;
    }
    EXPECT_EQ(flood.back()->state(), QAbstractSocket::ConnectedState);
    expectAPhoneStillGetsIn();
}

TEST_F(HostileTrafficTest, AnAddressRefusedFiveTimesIsTurnedAwayForAMinute) {
    restartWithPatientHost();
    host->onInvitationReceivedFrom =
        [&](const TransportPeer& peer, const std::optional<std::string>&,
            const std::string& address, MPCTransport::Decision decide) {
            EXPECT_EQ(address, peer.displayName == "Guesser" ? "127.0.0.2" : "127.0.0.1");
            decide(peer.displayName != "Guesser");
        };
    const QHostAddress guesser("127.0.0.2");
    const QByteArray invite = frame(FrameType::invite, R"({"v":1,"name":"Guesser"})");
    for (int i = 0; i < InvitationLimiter::refusalsBeforeBlock; ++i) {
        auto socket = tls(guesser);
        socket->write(invite);
        ASSERT_TRUE(waitUntil([&] { return socket->bytesAvailable() > 0; })) << "DECLINE " << i;
        EXPECT_TRUE(closedByHost(*socket));
    }
    // Turned away before the handshake.
    QSslSocket blocked;
    bool handshakeDone = false;
    QObject::connect(&blocked, &QSslSocket::encrypted, [&] { handshakeDone = true; });
    blocked.setPeerVerifyMode(QSslSocket::VerifyNone);
    blocked.bind(guesser);
    blocked.connectToHostEncrypted("127.0.0.1", port);
    EXPECT_TRUE(closedByHost(blocked));
    EXPECT_FALSE(handshakeDone);

    // Another address gets in meanwhile.
    expectAPhoneStillGetsIn();

    // A minute later the address is served again.
    clock += Seconds(61);
    auto again = tls(guesser);
    EXPECT_TRUE(again->isEncrypted());
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
