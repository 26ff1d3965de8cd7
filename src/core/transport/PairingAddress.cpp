// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/PairingAddress.h"

#include "HexDigit.h"
#include "Utf8.h"

#include <algorithm>
#include <charconv>

namespace quillo {

namespace {

constexpr std::string_view prefix = "quillo://pair?";

bool isFingerprint(const std::string& text) {
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return hexDigitValue(c) >= 0; });
}

} // namespace

std::string PercentEncoding::encode(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
            byte == '~') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(digits[byte >> 4]);
            out.push_back(digits[byte & 0x0F]);
        }
    }
    return out;
}

std::optional<std::string> PercentEncoding::decode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexDigitValue(text[i + 1]);
        const int low = hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

std::string PairingAddress::toString() const {
    std::string out(prefix);
    out += "host=" + PercentEncoding::encode(host);
    out += "&port=" + std::to_string(port);
    out += "&fp=" + PercentEncoding::encode(fingerprint);
    out += "&name=" + PercentEncoding::encode(name);
    return out;
}

std::optional<PairingAddress> PairingAddress::parse(std::string_view text) {
    if (text.substr(0, prefix.size()) != prefix) {
        return std::nullopt;
    }
    std::string_view query = text.substr(prefix.size());
    if (auto fragment = query.find('#'); fragment != std::string_view::npos) {
        query = query.substr(0, fragment);
    }
    PairingAddress address;
    std::optional<std::string> port;
    bool haveHost = false;
    bool haveFingerprint = false;
    while (!query.empty()) {
        const auto end = query.find('&');
        std::string_view pair = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
        const auto equals = pair.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        auto value = PercentEncoding::decode(pair.substr(equals + 1));
        if (!value || !isValidUtf8(*value)) {
            return std::nullopt;
        }
        const std::string_view key = pair.substr(0, equals);
        if (key == "host") {
            address.host = *value;
            haveHost = !value->empty();
        } else if (key == "port") {
            port = *value;
        } else if (key == "fp") {
            address.fingerprint = *value;
            haveFingerprint = true;
        } else if (key == "name") {
            address.name = *value;
        }
    }
    if (!haveHost || !port || !haveFingerprint || !isFingerprint(address.fingerprint)) {
        return std::nullopt;
    }
    unsigned number = 0;
    auto [ptr, ec] = std::from_chars(port->data(), port->data() + port->size(), number);
    if (port->empty() || ec != std::errc{} || ptr != port->data() + port->size() || number < 1 ||
        number > 65535) {
        return std::nullopt;
    }
    address.port = static_cast<std::uint16_t>(number);
    std::transform(address.fingerprint.begin(), address.fingerprint.end(),
                   address.fingerprint.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c + 32) : c; });
    return address;
}

} // namespace quillo
