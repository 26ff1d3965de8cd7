// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace quillo {

// The identity of the other end. In the nearby transport both fields are the
// peer's advertised display name; equality and hashing look at both.
struct TransportPeer {
    std::string id;
    std::string displayName;

    bool operator==(const TransportPeer&) const = default;
};

} // namespace quillo

template <> struct std::hash<quillo::TransportPeer> {
    std::size_t operator()(const quillo::TransportPeer& peer) const noexcept {
        std::size_t a = std::hash<std::string>{}(peer.id);
        std::size_t b = std::hash<std::string>{}(peer.displayName);
        return a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
    }
};
