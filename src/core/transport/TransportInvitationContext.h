// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillo::TransportInvitationContext {

// The bytes a client attaches to its invitation: {"version":1,"pairing_token":…}.

// Nothing for an empty token.
std::optional<std::string> encode(const std::string& pairingToken);

// The token, only from a well-formed context of version 1 with a non-empty
// token; anything else reads as no token, never as an error.
std::optional<std::string> pairingToken(const std::optional<std::string_view>& context);

// The token is the pairing's only secret. How many bits a guesser must cover,
// judged from its length and the smallest usual alphabet it fits: decimal
// digits, hex, letters and digits, base64 (padding not counted), printable
// ASCII, else 8 bits a byte.
double estimatedBits(std::string_view token);
inline constexpr double minimumTokenBits = 128;

} // namespace quillo::TransportInvitationContext
