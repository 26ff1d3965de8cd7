// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport/TransportMessage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quillo {

// QuilloPeer's command line.
struct PeerOptions {
    std::optional<std::string> host; // with port: connect there instead of browsing
    std::optional<std::uint16_t> port;
    std::string name = "QuilloPeer";
    std::optional<std::string> token;
    std::vector<TransportMessage> sendOnConnect; // from the command flags, in order
    std::optional<int> count;                    // quit after this many messages
    std::optional<int> timeoutSeconds;           // give up when not connected by then
    // The host's certificate fingerprint to insist on (from --pin or --uri);
    // without one, a host must be known, or the user trusts it at first contact.
    std::optional<std::string> pin;
    // Trust a host never met before without asking (scripts, tests).
    bool trustNewHost = false;
    // --forget FINGERPRINT (or HOST:PORT): drop a remembered host, then quit.
    std::optional<std::string> forget;
    // --answer-permissions: how a permission question is answered; "ask"
    // says it on standard error and waits for an allow or deny command.
    enum class Answering { allow, deny, ask };
    std::optional<Answering> answerPermissions;
};

struct PeerUsageError {
    std::string message;
};

// `arguments` without the program name.
std::variant<PeerOptions, PeerUsageError>
parsePeerOptions(const std::vector<std::string>& arguments);

// One line typed on standard input: "snapshot_request", "switch_to ID",
// "unpair_notification", "allow REQUEST_ID", "deny REQUEST_ID [MESSAGE]".
// Nothing for anything else.
std::optional<TransportMessage> parsePeerCommand(const std::string& line);

const char* peerUsage();

} // namespace quillo
