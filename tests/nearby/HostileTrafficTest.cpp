// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransportHarness.h"

#include "DiagnosticLogger.h"
#include "DisplayName.h"
#include "NearbyFrame.h"
#include "transport/TransportError.h"

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

TEST_F(HostileTrafficTest, ANameOverTheLimitIsCutNotSilentlyClosed) {
    std::vector<std::string> names;
    host->onInvitationReceived = [&](const TransportPeer& peer, const std::optional<std::string>&,
                                     MPCTransport::Decision decide) {
        names.push_back(peer.displayName);
        decide(false, "not today");
    };
    QByteArray longName;
    for (int i = 0; i < 40; ++i) {
        longName += "\xc3\xa9"; // é: 80 bytes in all
    }
    auto socket = tls();
    socket->write(frame(FrameType::invite, R"({"v":1,"name":")" + longName + R"("})"));
    ASSERT_TRUE(waitUntil([&] { return socket->bytesAvailable() >= 5; }));
    FrameReader reader;
    reader.append(socket->readAll());
    auto answer = reader.next();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->type, FrameType::decline);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_LE(names[0].size(), DisplayName::maxBytes);
    EXPECT_EQ(names[0].size() % 2, 0u) << "cut between characters";
    EXPECT_TRUE(longName.startsWith(QByteArray::fromStdString(names[0])));
}

TEST_F(HostileTrafficTest, Tls12OffersOnlyAuthenticatedEncryption) {
    auto handshake = [&](const QString& cipherName) {
        QSslSocket socket;
        socket.setPeerVerifyMode(QSslSocket::VerifyNone);
        auto configuration = socket.sslConfiguration();
        configuration.setProtocol(QSsl::TlsV1_2);
        configuration.setCiphers(cipherName);
        socket.setSslConfiguration(configuration);
        bool failed = false;
        QObject::connect(&socket, &QSslSocket::errorOccurred, [&] { failed = true; });
        socket.connectToHostEncrypted("127.0.0.1", port);
        waitUntil([&] { return socket.isEncrypted() || failed; });
        return socket.isEncrypted();
    };
    for (const char* cbc : {"ECDHE-ECDSA-AES128-SHA", "ECDHE-ECDSA-AES256-SHA",
                            "ECDHE-ECDSA-AES128-SHA256", "ECDHE-ECDSA-AES256-SHA384"}) {
        EXPECT_FALSE(handshake(QString::fromLatin1(cbc))) << cbc;
    }
    EXPECT_TRUE(handshake(QStringLiteral("ECDHE-ECDSA-AES128-GCM-SHA256")));
    EXPECT_TRUE(handshake(QStringLiteral("ECDHE-ECDSA-CHACHA20-POLY1305")));
}

TEST_F(HostileTrafficTest, EachSourceGetsASmallShareOfThePendingQueue) {
    restartWithPatientHost();
    const int share = NearbyAdvertiser::maxWaitingPerSource;
    auto connectFrom = [&](const char* address) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress(address));
        socket->connectToHost("127.0.0.1", port);
        return socket;
    };
    // Another machine's idle connections stay through all of it.
    std::vector<std::unique_ptr<QTcpSocket>> bystanders;
    for (int i = 0; i < 3; ++i) {
        bystanders.push_back(connectFrom("127.0.0.3"));
        ASSERT_TRUE(waitUntil([&] { return host->waitingConnections() == i + 1; }));
    }
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < share + 40; ++i) {
        flood.push_back(connectFrom("127.0.0.2"));
        // Let the host take each in turn, so "oldest" means the first ones.
        const int expected = 3 + std::min(i + 1, share);
        ASSERT_TRUE(waitUntil([&] { return host->waitingConnections() == expected; })) << i;
    }
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(closedByHost(*flood[static_cast<std::size_t>(i)])) << i;
    }
    EXPECT_EQ(flood.back()->state(), QAbstractSocket::ConnectedState);
    for (const auto& bystander : bystanders) {
        EXPECT_EQ(bystander->state(), QAbstractSocket::ConnectedState);
    }
    expectAPhoneStillGetsIn();
}

TEST_F(HostileTrafficTest, AConnectionWhoseInvitationIsBeingDecidedOnIsNeverPushedOut) {
    restartWithPatientHost();
    MPCTransport::Decision pending;
    host->onInvitationReceived = [&](const TransportPeer&, const std::optional<std::string>&,
                                     MPCTransport::Decision decide) { pending = decide; };
    timeouts.invitation = std::chrono::milliseconds(600'000); // the user takes their time
    auto phone = client();
    test::TransportEvents phoneEvents;
    phoneEvents.attach(*phone);
    phone->start();
    ASSERT_TRUE(waitUntil([&] { return static_cast<bool>(pending); }));
    // The same machine (loopback) opens far more idle connections than its
    // share while the user thinks.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < NearbyAdvertiser::maxWaitingPerSource * 3; ++i) {
        flood.push_back(plain());
    }
    ASSERT_TRUE(waitUntil(
        [&] { return host->waitingConnections() == NearbyAdvertiser::maxWaitingPerSource; }));
    pending(true);
    EXPECT_TRUE(waitUntil([&] { return !phoneEvents.connected.empty(); }));
    EXPECT_EQ(host->connectedPeers().size(), 1u);
}

TEST(NearbyAdvertiserSource, IPv6AddressesCountPerSlash64) {
    EXPECT_EQ(NearbyAdvertiser::sourceOf(QHostAddress("2001:db8:1:2:aaaa:bbbb:cccc:dddd")),
              NearbyAdvertiser::sourceOf(QHostAddress("2001:db8:1:2::7")));
    EXPECT_NE(NearbyAdvertiser::sourceOf(QHostAddress("2001:db8:1:2::7")),
              NearbyAdvertiser::sourceOf(QHostAddress("2001:db8:1:3::7")));
    EXPECT_EQ(NearbyAdvertiser::sourceOf(QHostAddress("::ffff:192.0.2.7")), "192.0.2.7");
    EXPECT_EQ(NearbyAdvertiser::sourceOf(QHostAddress("192.0.2.7")), "192.0.2.7");
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

TEST_F(HostileTrafficTest, RefusalsFromAFreshAddressEachAreLoggedTogether) {
    restartWithPatientHost();
    host->onInvitationReceivedFrom = [&](const TransportPeer&, const std::optional<std::string>&,
                                         const std::string&, MPCTransport::Decision decide) {
        decide(false, "wrong token");
    };
    auto refusalEntries = [] {
        const auto entries = DiagnosticLogger::recentEntries();
        return std::count_if(entries.begin(), entries.end(), [](const auto& e) {
            return e.message.starts_with("invitations refused");
        });
    };
    const auto before = refusalEntries();
    const QByteArray invite = frame(FrameType::invite, R"({"v":1,"name":"Guesser"})");
    const int sources = 60;
    for (int i = 1; i <= sources; ++i) {
        auto socket = tls(QHostAddress(QStringLiteral("127.0.1.%1").arg(i)));
        socket->write(invite);
        ASSERT_TRUE(waitUntil([&] { return socket->bytesAvailable() >= 5; })) << i;
        FrameReader reader;
        reader.append(socket->readAll());
        auto decline = reader.next();
        ASSERT_TRUE(decline);
        EXPECT_EQ(decline->type, FrameType::decline);
        EXPECT_EQ(parseDecline(decline->body), QStringLiteral("wrong token"));
    }
    const auto logged = refusalEntries() - before;
    EXPECT_LE(logged, static_cast<long>(InvitationLimiter::quietRefusalsPerMinute) + 1);
    EXPECT_GE(logged, 1);
}

TEST_F(HostileTrafficTest, AStrangerThatSendsPingsButNeverReadsIsHeldBack) {
    restartWithPatientHost();
    auto stranger = tls();             // no INVITE: PINGs only, each owed a PONG
    stranger->setReadBufferSize(1024); // it reads (almost) nothing
    QByteArray burst;
    for (int i = 0; i < 10'000; ++i) {
        burst += frame(FrameType::ping);
    }
    qint64 most = 0;
    int stalled = 0;
    for (int sent = 0; sent < 1'000'000 && stalled < 100 &&
                       stranger->state() == QAbstractSocket::ConnectedState;) {
        if (stranger->bytesToWrite() + stranger->encryptedBytesToWrite() < 256 * 1024) {
            stranger->write(burst);
            sent += 10'000;
            stalled = 0;
        } else {
            ++stalled; // the host stopped taking them
        }
        test::spin(std::chrono::milliseconds(5));
        most = std::max(most, host->unsentBytes());
    }
    EXPECT_LE(most, NearbyConnection::maxPendingWriteBeforeAccept);
    stranger.reset();
    expectAPhoneStillGetsIn();
}

TEST_F(HostileTrafficTest, APhoneThatNeverReadsCannotGrowTheHostsMemory) {
    restartWithPatientHost();
    auto phone = tls(); // let in: with no invitation callback the host accepts
    phone->setReadBufferSize(1024);
    phone->write(frame(FrameType::invite, R"({"v":1,"name":"Hog"})"));
    ASSERT_TRUE(waitUntil([&] { return events.connected.size() == 1; }));
    const TransportPeer hog{"Hog", "Hog"};
    TransportMessage::Snapshot snapshot;
    snapshot.processes.push_back({"p", std::string(512 * 1024, 'x'), ProcessState::active,
                                  std::nullopt, false, clock, clock});
    const auto message = TransportMessage::snapshot(snapshot);
    qint64 most = 0;
    int refused = 0;
    for (int i = 0; i < 60 && host->isConnected(hog); ++i) {
        try {
            host->send(message, hog);
        } catch (const TransportError&) {
            ++refused;
        }
        test::spin(std::chrono::milliseconds(10)); // the socket encrypts meanwhile
        most = std::max(most, host->unsentBytes());
    }
    EXPECT_LE(most, NearbyConnection::maxPendingWrite);
    EXPECT_TRUE(refused > 0 || !host->isConnected(hog));
}

TEST_F(HostileTrafficTest, AFloodOfJunkConnectionsDoesNotKeepAPhoneOut) {
    // From another machine: one that shares the phone's address shares its
    // share of the queue as well.
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 150; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->bind(QHostAddress("127.0.0.2"));
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
