// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/TransportInvitationContext.h"

#include "JsonWriter.h"

#include <nlohmann/json.hpp>

namespace quillo::TransportInvitationContext {

namespace {
constexpr int currentVersion = 1;
// A context is a token and a number; anything far larger is not one.
constexpr std::size_t maxContextBytes = 64 * 1024;
} // namespace

std::optional<std::string> encode(const std::string& pairingToken) {
    if (pairingToken.empty()) {
        return std::nullopt;
    }
    nlohmann::json payload = nlohmann::json::object();
    payload["version"] = currentVersion;
    payload["pairing_token"] = pairingToken;
    return JsonWriter::compact(payload);
}

std::optional<std::string> pairingToken(const std::optional<std::string_view>& context) {
    if (!context || context->size() > maxContextBytes) {
        return std::nullopt;
    }
    auto payload = nlohmann::json::parse(context->begin(), context->end(), nullptr, false);
    if (!payload.is_object()) {
        return std::nullopt;
    }
    auto version = payload.find("version");
    auto token = payload.find("pairing_token");
    if (version == payload.end() || token == payload.end() || !version->is_number_integer() ||
        !token->is_string()) {
        return std::nullopt;
    }
    if (version->get<std::int64_t>() != currentVersion) {
        return std::nullopt;
    }
    auto text = token->get<std::string>();
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
}

} // namespace quillo::TransportInvitationContext
