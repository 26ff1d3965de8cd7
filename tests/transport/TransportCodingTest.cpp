// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/TransportCoding.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quillo {
namespace {

using nlohmann::json;
using TM = TransportMessage;

json encoded(const TM& message) {
    return json::parse(TransportCoding::encode(message));
}

TM::SnapshotProcess process(std::string id, std::optional<std::string> terminal) {
    bool switchable = terminal.has_value();
    return {std::move(id),
            "quillo",
            ProcessState::active,
            std::move(terminal),
            switchable,
            timestampFromSeconds(1700000000.25),
            timestampFromSeconds(1700000100.5)};
}

TEST(TransportCoding, WritesFlatObjectsWithTypeAndOnlyPresentOptionals) {
    EXPECT_EQ(encoded(TM::snapshot({})), json::parse(R"({"type":"snapshot","processes":[]})"));
    EXPECT_EQ(encoded(TM::snapshotRequest()), json::parse(R"({"type":"snapshot_request"})"));
    EXPECT_EQ(encoded(TM::unpairNotification()), json::parse(R"({"type":"unpair_notification"})"));

    auto ok = encoded(TM::switchResult({"s1", true, std::nullopt}));
    EXPECT_FALSE(ok.contains("error_message"));
    auto failed = encoded(TM::switchResult({"s1", false, "进程不存在"}));
    EXPECT_EQ(failed["error_message"], "进程不存在");

    auto snapshot = encoded(TM::snapshot({{process("a", std::nullopt), process("b", "未知终端")}}));
    const auto& list = snapshot["processes"];
    EXPECT_FALSE(list[0].contains("terminal"));
    EXPECT_EQ(list[0]["switchable"], false);
    EXPECT_EQ(list[1]["terminal"], "未知终端");
    EXPECT_EQ(list[1]["switchable"], true);
    EXPECT_DOUBLE_EQ(list[0]["started_at"].get<double>(), 1700000000.25);

    auto update = encoded(TM::stateUpdate(
        {"id/with/slash", ProcessState::waitingPermission, timestampFromSeconds(1.5)}));
    EXPECT_EQ(update, json::parse(R"({"type":"state_update","process_id":"id/with/slash",
                                       "state":"waiting_permission","timestamp":1.5})"));
    EXPECT_NE(TransportCoding::encode(TM::switchTo({"a/b"})).find(R"(a\/b)"), std::string::npos);
}

TEST(TransportCoding, EveryMessageSurvivesARoundTrip) {
    const std::vector<TM> messages{
        TM::stateUpdate({"s", ProcessState::completed, timestampFromSeconds(1733500000.123456)}),
        TM::snapshotRequest(),
        TM::snapshot({{process("a", "iTerm2"), process("b", std::nullopt)}}),
        TM::switchTo({"s"}),
        TM::switchResult({"s", false, "未识别终端 app"}),
        TM::switchResult({"s", true, std::nullopt}),
        TM::unpairNotification(),
        TM::permissionRequest({"17", "s", "Bash", "Bash: make deploy", timestampFromSeconds(2.5)}),
        TM::permissionDecision({"17", true, std::nullopt}),
        TM::permissionDecision({"17", false, "not now"}),
        TM::permissionResolved({"17", TM::PermissionOutcome::answeredElsewhere}),
    };
    for (const auto& message : messages) {
        auto back = TransportCoding::decode(TransportCoding::encode(message));
        EXPECT_EQ(back.kind(), message.kind());
        EXPECT_EQ(back, message) << TransportCoding::encode(message);
    }
}

TEST(TransportCoding, ReadsLenientlyWhereTheFormatAllows) {
    auto result = TransportCoding::decode(
        R"({"error_message":null,"success":true,"process_id":"x","type":"switch_result"})");
    EXPECT_EQ(result, TM::switchResult({"x", true, std::nullopt}));

    EXPECT_EQ(TransportCoding::decode(R"({"type":"snapshot_request","extra":[1,2],"v":9})"),
              TM::snapshotRequest());

    auto update = TransportCoding::decode(
        R"({"type":"state_update","process_id":"p","state":"active","timestamp":1700000000})");
    EXPECT_EQ(std::get<TM::StateUpdate>(update.payload).timestamp,
              timestampFromSeconds(1700000000));

    auto snapshot = TransportCoding::decode(
        R"({"type":"snapshot","processes":[{"id":"a","name":"n","state":"unknown","terminal":null,
            "switchable":false,"started_at":1,"state_changed_at":2,"cwd":"/tmp"}]})");
    EXPECT_FALSE(std::get<TM::Snapshot>(snapshot.payload).processes.at(0).terminal.has_value());
}

TEST(TransportCoding, RejectsWhatIsNotOneOfTheMessages) {
    const std::vector<std::string> bad{
        "",
        "not json",
        "[]",
        R"({"process_id":"x"})",
        R"({"type":5})",
        R"({"type":"Switch_To","process_id":"x"})",
        R"({"type":"hello"})",
        R"({"type":"switch_to"})",
        R"({"type":"switch_to","process_id":7})",
        R"({"type":"permission_decision","request_id":"1","behavior":"Allow"})",
        R"({"type":"permission_decision","request_id":1,"behavior":"allow"})",
        R"({"type":"permission_resolved","request_id":"1","outcome":"maybe"})",
        R"({"type":"permission_request","request_id":"1","process_id":"s","tool_name":"B"})",
        R"({"type":"switch_result","process_id":"x"})",
        R"({"type":"switch_result","process_id":"x","success":"yes"})",
        R"({"type":"state_update","process_id":"p","state":"sleeping","timestamp":1})",
        R"({"type":"state_update","process_id":"p","state":"active","timestamp":"1"})",
        R"({"type":"snapshot","processes":{}})",
        R"({"type":"snapshot","processes":[{"id":"a"}]})",
        R"({"type":"snapshot","processes":[5]})",
        "{\"type\":\"switch_to\",\"process_id\":\"\xff\"}",
        std::string(100000, '[') + std::string(100000, ']'),
    };
    for (const auto& text : bad) {
        EXPECT_THROW(TransportCoding::decode(text), TransportCoding::CodingError)
            << text.substr(0, 80);
    }
}

TEST(TransportCoding, RefusesToEncodeValuesJsonCannotCarry) {
    EXPECT_THROW(TransportCoding::encode(TM::stateUpdate(
                     {"p", ProcessState::active, timestampFromSeconds(std::nan(""))})),
                 TransportCoding::CodingError);
    EXPECT_THROW(TransportCoding::encode(TM::switchTo({"\xc3\x28"})), TransportCoding::CodingError);
}

} // namespace
} // namespace quillo
