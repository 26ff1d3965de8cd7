// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

// Everything a phone needs to reach and recognise this computer, as one
// address that can be typed, pasted or shown as a QR code:
//   quillo://pair?host=HOST&port=PORT&fp=HEX&name=NAME
// Values are percent-encoded (UTF-8). "fp" is the SHA-256 fingerprint of the
// host's certificate, 64 hex digits; "name" is the host's display name.
struct PairingAddress {
    std::string host;
    std::uint16_t port = 0;
    std::string fingerprint; // lower-case hex
    std::string name;

    std::string toString() const;
    // Nothing unless it is such an address with a host, a port from 1 to
    // 65535 and a 64-digit fingerprint. Unknown parameters are ignored; the
    // name may be missing.
    static std::optional<PairingAddress> parse(std::string_view text);

    bool operator==(const PairingAddress&) const = default;
};

namespace PercentEncoding {
// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX.
std::string encode(std::string_view text);
// Nothing for a "%" without two hex digits after it. "+" stays "+".
std::optional<std::string> decode(std::string_view text);
} // namespace PercentEncoding

} // namespace quillo
