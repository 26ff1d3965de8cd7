// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogger.h"
#include "DisplayName.h"
#include "NearbyAdvertiser.h"
#include "NearbyFrame.h"
#include "NearbyIdentity.h"
#include "TempDir.h"
#include "TransportPort.h"

#include "QtTestApp.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quillo {
namespace {

QByteArray header(std::uint32_t length) {
    QByteArray out(4, '\0');
    out[0] = static_cast<char>(length >> 24);
    out[1] = static_cast<char>(length >> 16);
    out[2] = static_cast<char>(length >> 8);
    out[3] = static_cast<char>(length);
    return out;
}

TEST(FrameReader, ReassemblesFramesSplitAnywhere) {
    QByteArray stream = *NearbyFrame::encode(FrameType::data, "{\"type\":\"snapshot_request\"}") +
                        *NearbyFrame::encode(FrameType::ping) +
                        *NearbyFrame::encode(FrameType::data, QByteArray(70000, 'x'));
    FrameReader reader;
    std::vector<Frame> frames;
    for (qsizetype i = 0; i < stream.size(); i += 7) {
        auto got = reader.feed(stream.mid(i, 7));
        frames.insert(frames.end(), got.begin(), got.end());
    }
    ASSERT_FALSE(reader.failed());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].body, "{\"type\":\"snapshot_request\"}");
    EXPECT_EQ(frames[1].type, FrameType::ping);
    EXPECT_TRUE(frames[1].body.isEmpty());
    EXPECT_EQ(frames[2].body.size(), 70000);
}

TEST(FrameReader, FailsOnLengthsOutOfRangeAndUnknownTypes) {
    for (QByteArray bad : {header(0), header(0x80000000u), header(NearbyFrame::maxLength + 1),
                           header(5) + QByteArray(1, '\x07'), header(5) + QByteArray(1, '\0')}) {
        FrameReader reader;
        EXPECT_TRUE(reader.feed(bad).empty());
        EXPECT_TRUE(reader.failed()) << bad.toHex().toStdString();
        EXPECT_TRUE(reader.feed(*NearbyFrame::encode(FrameType::ping)).empty()) << "stays failed";
    }
    FrameReader largest;
    auto frames = largest.feed(
        *NearbyFrame::encode(FrameType::data, QByteArray(NearbyFrame::maxBodySize, 'a')));
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_FALSE(
        NearbyFrame::encode(FrameType::data, QByteArray(NearbyFrame::maxBodySize + 1, 'a')));
}

TEST(FrameReader, TheLimitInForceIsTheOneWhenEachFrameIsTaken) {
    // An ACCEPT and a large DATA right behind it, in one read: the DATA is
    // fine once the connection counts as accepted.
    const QByteArray big(200000, 'x');
    FrameReader reader;
    reader.setMaxLength(NearbyFrame::maxLengthBeforeAccept);
    reader.append(*NearbyFrame::encode(FrameType::accept, "{}") +
                  *NearbyFrame::encode(FrameType::data, big));
    auto accept = reader.next();
    ASSERT_TRUE(accept);
    EXPECT_EQ(accept->type, FrameType::accept);
    reader.setMaxLength(NearbyFrame::maxLength);
    auto data = reader.next();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->body, big);

    // Before acceptance a header announcing more than 64 KiB fails at once,
    // before any of the body has arrived.
    FrameReader early;
    early.setMaxLength(NearbyFrame::maxLengthBeforeAccept);
    early.append(header(NearbyFrame::maxLengthBeforeAccept + 1));
    EXPECT_FALSE(early.next());
    EXPECT_TRUE(early.failed());
    FrameReader exact;
    exact.setMaxLength(NearbyFrame::maxLengthBeforeAccept);
    exact.append(*NearbyFrame::encode(FrameType::invite,
                                      QByteArray(NearbyFrame::maxLengthBeforeAccept - 1, ' ')));
    EXPECT_TRUE(exact.next());
}

TEST(DisplayName, CleaningRemovesWhatCouldHideOrReorderText) {
    EXPECT_EQ(DisplayName::clean("Ph\u201d\n\u202eone"), "Ph\u201d one");
    EXPECT_EQ(DisplayName::clean(" \t Kim's \r\n  phone\u00a0 "), "Kim's phone");
    for (const char* bidi : {"\u202a", "\u202b", "\u202c", "\u202d", "\u2066", "\u2067", "\u2068",
                             "\u2069", "\u200e", "\u200f"}) {
        EXPECT_EQ(DisplayName::clean(std::string("a") + bidi + "b"), "ab") << bidi;
    }
    EXPECT_EQ(DisplayName::clean("\x01\x1b[31m\x7f"), "[31m");
    EXPECT_EQ(DisplayName::clean("\u202e\u2066\x07 \t"), "");
    EXPECT_EQ(DisplayName::clean("小明的手机"), "小明的手机");
    // Our own name goes through the same cleaning before the cut.
    EXPECT_EQ(DisplayName::sanitize("\u202eDesk\n"), "Desk");
}

TEST(NearbyIdentity, TheServerAsksForTls12AtLeastAndNoClientCertificate) {
    test::TempHome home;
    auto identity = NearbyIdentity::loadOrCreate(home.path() / "id.pem");
    ASSERT_TRUE(identity);
    // The system's OpenSSL policy may refuse older versions anyway; the host
    // must not rely on it.
    auto configuration = NearbyAdvertiser::serverConfiguration(*identity);
    EXPECT_EQ(configuration.protocol(), QSsl::TlsV1_2OrLater);
    EXPECT_EQ(configuration.peerVerifyMode(), QSslSocket::VerifyNone);
    EXPECT_EQ(configuration.localCertificate(), identity->certificate);
    // The fingerprint is the SHA-256 of the certificate, 64 lower-case hex digits.
    const QString fingerprint = identity->fingerprint();
    EXPECT_EQ(fingerprint.size(), 64);
    EXPECT_EQ(fingerprint, fingerprint.toLower());
    EXPECT_EQ(NearbyIdentity::loadOrCreate(home.path() / "id.pem")->fingerprint(), fingerprint);
    EXPECT_NE(NearbyIdentity::loadOrCreate(home.path() / "other.pem")->fingerprint(), fingerprint);
}

TEST(DisplayName, TrimsFallsBackAndStaysWithinTheNameLimits) {
    EXPECT_EQ(DisplayName::sanitize("   \n\t"), "quillo-device");
    EXPECT_EQ(DisplayName::sanitize("  Kim's Mac \n"), "Kim's Mac");
    EXPECT_EQ(DisplayName::sanitize(std::string(40, 'a')), std::string(32, 'a'));
    EXPECT_EQ(DisplayName::sanitize("  " + std::string(33, 'b')), std::string(32, 'b'));

    // 32 CJK characters are 96 bytes: cut to the 21 that fit in 63.
    std::string cjk;
    for (int i = 0; i < 32; ++i) {
        cjk += "测";
    }
    auto cut = DisplayName::sanitize(cjk);
    EXPECT_EQ(cut.size(), 63u);
    EXPECT_EQ(cut, cjk.substr(0, 63));

    // A family emoji is one character of 25 bytes: never split.
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F"
                               "\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6";
    auto families = DisplayName::sanitize(family + family + family);
    EXPECT_EQ(families, family + family);
}

TEST(TransportPort, TheStandardPortIsNoneTheSystemHandsOutForConnections) {
    // A port in that range can be held by any program's outgoing connection
    // when the monitor starts, which moves the monitor and strands phones.
    EXPECT_LT(TransportPort::standard, 32768); // the usual range starts there
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int low = 0, high = 0;
    if (range >> low >> high) {
        EXPECT_TRUE(TransportPort::standard < low || TransportPort::standard > high)
            << low << "-" << high;
    }
}

TEST(TransportPort, ParsesOnlyPortNumbers) {
    EXPECT_EQ(TransportPort::parse("0"), 0);
    EXPECT_EQ(TransportPort::parse("47810"), 47810);
    EXPECT_EQ(TransportPort::parse("65535"), 65535);
    for (std::string bad : {"", "65536", "-1", "80x", " 80", "4.5"}) {
        EXPECT_FALSE(TransportPort::parse(bad).has_value()) << bad;
    }
}

TEST(NearbyIdentity, IsCreatedPrivatelyOnceAndReused) {
    test::qtApp();
    test::TempHome home; // the warning goes to a log of our own
    test::TempDir dir;
    auto file = dir / "identity.pem";
    auto first = NearbyIdentity::loadOrCreate(file);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(test::fileMode(file), 0600u);
    auto again = NearbyIdentity::loadOrCreate(file);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->certificate, first->certificate);

    EXPECT_FALSE(again->replacedFileKeptAs);

    test::writeFile(file, "-----BEGIN nonsense-----\n");
    auto replaced = NearbyIdentity::loadOrCreate(file);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_NE(replaced->certificate, first->certificate);
    EXPECT_EQ(test::fileMode(file), 0600u);
    // The damaged file is kept for a look, and the replacement said aloud.
    ASSERT_TRUE(replaced->replacedFileKeptAs);
    EXPECT_NE(*replaced->replacedFileKeptAs, file);
    EXPECT_EQ(test::readFile(*replaced->replacedFileKeptAs), "-----BEGIN nonsense-----\n");
    const auto entries = DiagnosticLogger::recentEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_NE(entries.front().message.find("paired phones must be paired again"),
              std::string::npos);
}

TEST(NearbyIdentity, ATemporaryCopyLeftByAnInterruptedStartIsRemoved) {
    test::qtApp();
    test::TempDir dir;
    auto file = dir / "identity.pem";
    test::writeFile(dir / "identity.pem.Ab12Cd", "a private key, half written");
    test::writeFile(dir / "identity.pem.keep", "not ours");
    ASSERT_TRUE(NearbyIdentity::loadOrCreate(file));
    EXPECT_FALSE(std::filesystem::exists(dir / "identity.pem.Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(dir / "identity.pem.keep"));
    EXPECT_TRUE(std::filesystem::exists(file));
}

} // namespace
} // namespace quillo
