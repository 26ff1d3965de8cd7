// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonWriter.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using nlohmann::json;

TEST(JsonWriter, CompactEscapesSlashesAndControlsButKeepsUnicode) {
    json value = {{"path", "/tmp/a b"}, {"text", "line\n\ttab \"q\" \\ \x01"}, {"zh", "窗口"}};
    EXPECT_EQ(JsonWriter::compact(value),
              R"({"path":"\/tmp\/a b","text":"line\n\ttab \"q\" \\ \u0001","zh":"窗口"})");
    EXPECT_EQ(JsonWriter::compact(json::array()), "[]");
    EXPECT_EQ(JsonWriter::compact(json(-3)), "-3");
    EXPECT_EQ(JsonWriter::compact(json(18446744073709551615ULL)), "18446744073709551615");
}

TEST(JsonWriter, CompactOutputParsesBackToTheSameValue) {
    json value = json::parse(R"({"a":[1,2.5,null,true,{"b":"c/d"}],"e":{},"f":1733500000.123456})");
    auto text = JsonWriter::compact(value);
    ASSERT_TRUE(text);
    EXPECT_EQ(json::parse(*text), value);
}

TEST(JsonWriter, PrettyIsDeterministicWithSortedKeysAndSpacedColons) {
    json value = json::parse(
        R"({"zeta":1,"hooks":{"Stop":[{"matcher":"","hooks":[{"type":"command","command":"\"/opt/q/QuilloHook\""}]}]},"alpha":[],"beta":{}})");
    const char* expected = R"({
  "alpha" : [],
  "beta" : {},
  "hooks" : {
    "Stop" : [
      {
        "hooks" : [
          {
            "command" : "\"\/opt\/q\/QuilloHook\"",
            "type" : "command"
          }
        ],
        "matcher" : ""
      }
    ]
  },
  "zeta" : 1
})";
    EXPECT_EQ(JsonWriter::pretty(value), expected);
}

TEST(JsonWriter, RefusesWhatIsNotJson) {
    EXPECT_EQ(JsonWriter::compact(json(std::string("\xff\xfe"))), std::nullopt);
    EXPECT_EQ(JsonWriter::compact(json(std::numeric_limits<double>::infinity())), std::nullopt);

    json deep = json::array();
    for (int i = 0; i < JsonWriter::maxDepth + 10; ++i) {
        deep = json::array({std::move(deep)});
    }
    EXPECT_EQ(JsonWriter::compact(deep), std::nullopt);
}

} // namespace
} // namespace quillo
