#include "DisplayName.h"
#include "NearbyFrame.h"
#include "NearbyIdentity.h"
#include "TempDir.h"
#include "TransportPort.h"

#include "QtTestApp.h"

#include <gtest/gtest.h>

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
    test::TempDir dir;
    auto file = dir / "identity.pem";
    auto first = NearbyIdentity::loadOrCreate(file);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(test::fileMode(file), 0600u);
    auto again = NearbyIdentity::loadOrCreate(file);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->certificate, first->certificate);

    test::writeFile(file, "-----BEGIN nonsense-----\n");
    auto replaced = NearbyIdentity::loadOrCreate(file);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_NE(replaced->certificate, first->certificate);
    EXPECT_EQ(test::fileMode(file), 0600u);
}

} // namespace
} // namespace quillo
