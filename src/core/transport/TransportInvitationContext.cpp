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

double estimatedBits(std::string_view token) {
    bool digits = true, hex = true, alnum = true, base64 = true, printable = true;
    std::size_t counted = 0;
    for (char ch : token) {
        const auto c = static_cast<unsigned char>(ch);
        const bool isDigit = c >= '0' && c <= '9';
        const bool isHex = isDigit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        const bool isAlnum = isDigit || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        digits = digits && isDigit;
        hex = hex && isHex;
        alnum = alnum && isAlnum;
        base64 = base64 && (isAlnum || c == '+' || c == '/' || c == '-' || c == '_' || c == '=');
        printable = printable && c >= 0x20 && c < 0x7f;
        counted += c == '=' ? 0 : 1;
    }
    const double perCharacter = digits      ? 3.32
                                : hex       ? 4.0
                                : alnum     ? 5.95
                                : base64    ? 6.0
                                : printable ? 6.55
                                            : 8.0;
    return static_cast<double>(base64 && !alnum ? counted : token.size()) * perCharacter;
}

} // namespace quillo::TransportInvitationContext
