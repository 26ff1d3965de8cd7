// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/PairingAddress.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

const std::string fp(64, 'a');

TEST(PairingAddress, RoundTripsNamesAndHostsThatNeedEncoding) {
    for (const PairingAddress& address :
         {PairingAddress{"192.168.1.20", 47810, fp, "Kim's Mac"},
          PairingAddress{"fe80::1%eth0", 1, fp, "a&b=c?d#e/f+g%h"},
          PairingAddress{"desk.local", 65535, fp, "小明的电脑"}, PairingAddress{"h", 2, fp, ""}}) {
        const std::string text = address.toString();
        EXPECT_EQ(text.find_first_of(" #'\"<>"), std::string::npos) << text;
        EXPECT_EQ(PairingAddress::parse(text), address) << text;
    }
    const PairingAddress kim{"192.168.1.20", 47810, fp, "Kim's Mac"};
    EXPECT_EQ(kim.toString(),
              "quillo://pair?host=192.168.1.20&port=47810&fp=" + fp + "&name=Kim%27s%20Mac");
}

TEST(PairingAddress, ParsingIsStrictAboutWhatItNeedsAndLenientAboutTheRest) {
    const std::string tail = "&fp=" + fp;
    // Parameters in any order, unknown ones ignored, upper-case hex accepted.
    auto parsed = PairingAddress::parse("quillo://pair?name=N&x=1&fp=" + std::string(64, 'F') +
                                        "&port=9&host=h#frag");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->fingerprint, std::string(64, 'f'));
    EXPECT_EQ(parsed->port, 9);
    EXPECT_EQ(parsed->name, "N");

    for (const std::string& bad : std::vector<std::string>{
             "http://pair?host=h&port=1" + tail,
             "quillo://pair?port=1" + tail,                // no host
             "quillo://pair?host=&port=1" + tail,          // empty host
             "quillo://pair?host=h" + tail,                // no port
             "quillo://pair?host=h&port=0" + tail,         // port out of range
             "quillo://pair?host=h&port=65536" + tail,     // port out of range
             "quillo://pair?host=h&port=12a" + tail,       // not a number
             std::string("quillo://pair?host=h&port=1"),   // no fingerprint
             "quillo://pair?host=h&port=1&fp=" + fp + "0", // 65 digits
             "quillo://pair?host=h&port=1&fp=" + std::string(63, 'a') + "g",
             "quillo://pair?host=h%2&port=1" + tail,  // truncated escape
             "quillo://pair?host=h%zz&port=1" + tail, // not hex
             "quillo://pair?host=%ff&port=1" + tail,  // not UTF-8
             "quillo://pair?host=h&port=1" + tail + "&name=%",
         }) {
        EXPECT_FALSE(PairingAddress::parse(bad)) << bad;
    }
}

} // namespace
} // namespace quillo
