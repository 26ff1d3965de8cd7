// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quillo {

// Which discovery a transport runs: the monitor advertises, the phone browses.
enum class TransportRole { host, client, both };

inline constexpr std::array allTransportRoles{TransportRole::host, TransportRole::client,
                                              TransportRole::both};

constexpr std::string_view rawValue(TransportRole role) {
    switch (role) {
    case TransportRole::host:
        return "host";
    case TransportRole::client:
        return "client";
    case TransportRole::both:
        return "both";
    }
    return "host";
}

// Exact and case-sensitive: "Host" is no role.
constexpr std::optional<TransportRole> transportRoleFromRaw(std::string_view raw) {
    for (auto role : allTransportRoles) {
        if (rawValue(role) == raw) {
            return role;
        }
    }
    return std::nullopt;
}

} // namespace quillo
