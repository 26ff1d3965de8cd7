// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/TransportError.h"
#include "transport/TransportInvitationContext.h"
#include "transport/TransportPeer.h"
#include "transport/TransportRole.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace quillo {
namespace {

TEST(TransportInvitationContext, CarriesOnlyAWellFormedVersionOneToken) {
    EXPECT_FALSE(TransportInvitationContext::encode("").has_value());
    auto bytes = TransportInvitationContext::encode("tok/en\"1");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(TransportInvitationContext::pairingToken(*bytes), "tok/en\"1");

    for (std::string_view context : {
             R"({"version":2,"pairing_token":"t"})",
             R"({"pairing_token":"t"})",
             R"({"version":1,"pairing_token":""})",
             R"({"version":1})",
             R"({"version":"1","pairing_token":"t"})",
             R"({"version":1,"pairing_token":5})",
             "not json",
             "",
         }) {
        EXPECT_FALSE(TransportInvitationContext::pairingToken(context).has_value()) << context;
    }
    EXPECT_FALSE(TransportInvitationContext::pairingToken(std::nullopt).has_value());
}

TEST(TransportTypes, RolesPeersAndErrorTexts) {
    EXPECT_EQ(transportRoleFromRaw("both"), TransportRole::both);
    EXPECT_FALSE(transportRoleFromRaw("Host").has_value());

    std::unordered_set<TransportPeer> peers{{"a", "A"}, {"a", "B"}, {"a", "A"}};
    EXPECT_EQ(peers.size(), 2u);

    EXPECT_STREQ(TransportError::notConnected("phone").what(), "对端未连接: phone");
    EXPECT_EQ(TransportError::encodingFailed("bad date").description(), "消息编码失败: bad date");
    EXPECT_EQ(TransportError::sendFailed("closed").description(), "消息发送失败: closed");
}

} // namespace
} // namespace quillo
