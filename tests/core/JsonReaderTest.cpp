// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonReader.h"
#include "JsonWriter.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

using nlohmann::json;

TEST(JsonReader, UnpairedSurrogateEscapesReadAsReplacementCharacters) {
    EXPECT_EQ(JsonReader::parse(R"({"a":"x\ud800"})", 10), json({{"a", "x\xef\xbf\xbd"}}));
    EXPECT_EQ(JsonReader::parse(R"(["\udc00\ud83d\ude00\uD83D"])", 10),
              json::array({"\xef\xbf\xbd\xf0\x9f\x98\x80\xef\xbf\xbd"}));
    EXPECT_EQ(JsonReader::parse(R"({"\ud800":1})", 10), json({{"\xef\xbf\xbd", 1}}));
    // An escaped backslash followed by "ud800" is text, not an escape.
    EXPECT_EQ(JsonReader::parse(R"("\\ud800")", 10), json("\\ud800"));
    EXPECT_EQ(JsonReader::replaceLoneSurrogates(R"("\\ud800 \ud83d\ude00")"), std::nullopt);
    // Still not JSON.
    EXPECT_EQ(JsonReader::parse(R"({"a":"\ud800)", 10), std::nullopt);
    EXPECT_EQ(JsonReader::parse(R"(\ud800)", 10), std::nullopt);
}

TEST(JsonReader, LeavesOutWhatIsNestedTooDeepAndKeepsTheRest) {
    auto nested = [](int depth) { return std::string(depth, '[') + "7" + std::string(depth, ']'); };
    // Within the limit: whole.
    auto kept = JsonReader::parse(R"({"a":)" + nested(3) + "}", 4);
    ASSERT_TRUE(kept);
    EXPECT_EQ((*kept)["a"], json::parse(nested(3)));

    auto cut = JsonReader::parse(R"({"hook_event_name":"Stop","deep":)" + nested(600) +
                                     R"(,"list":[1,)" + nested(600) + R"(,2],"session_id":"s"})",
                                 JsonLimits::maxDepth - 1);
    ASSERT_TRUE(cut);
    EXPECT_EQ((*cut)["hook_event_name"], "Stop");
    EXPECT_EQ((*cut)["session_id"], "s");
    EXPECT_EQ((*cut)["list"].front(), 1);
    EXPECT_EQ((*cut)["list"].back(), 2);
    ASSERT_TRUE(cut->contains("deep"));
    // What was kept can be written inside one more level.
    EXPECT_TRUE(JsonWriter::compact(json::array({*cut})));

    // Far deeper than any stack allows recursion for: read without recursion.
    auto huge = JsonReader::parse(R"({"n":1,"x":)" + nested(100'000) + "}", 511);
    ASSERT_TRUE(huge);
    EXPECT_EQ((*huge)["n"], 1);
    EXPECT_EQ(JsonReader::parse(std::string(200'000, '['), 511), std::nullopt);
}

} // namespace
} // namespace quillo
