// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport/TransportMessage.h"
#include "transport/TransportPeer.h"

#include <functional>
#include <vector>

namespace quillo {

// A peer-to-peer link to phones, independent of how it is carried. Callbacks are
// set by the owner before start(); an unset callback ignores the event. The
// nearby implementation runs every callback on the main thread.
class Transport {
public:
    using PeerCallback = std::function<void(const TransportPeer&)>;
    using ReceiveCallback = std::function<void(const TransportMessage&, const TransportPeer&)>;

    virtual ~Transport() = default;

    // Begins discovery according to the role; calling it again changes nothing.
    virtual void start() = 0;
    // Ends discovery and drops every connection.
    virtual void stop() = 0;
    // Delivers one message to one connected peer. Throws TransportError.
    virtual void send(const TransportMessage& message, const TransportPeer& peer) = 0;
    virtual std::vector<TransportPeer> connectedPeers() const = 0;

    PeerCallback onPeerDiscovered;
    PeerCallback onPeerLost;
    PeerCallback onPeerConnected;
    PeerCallback onPeerDisconnected;
    ReceiveCallback onReceive;
};

} // namespace quillo
