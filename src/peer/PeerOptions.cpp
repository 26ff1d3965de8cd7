// SPDX-License-Identifier: GPL-3.0-or-later
#include "PeerOptions.h"

#include "KnownHosts.h"

#include "transport/PairingAddress.h"

#include <charconv>

namespace quillo {

namespace {

std::optional<long> parseNumber(const std::string& text, long min, long max) {
    long value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || ptr != text.data() + text.size() || value < min ||
        value > max) {
        return std::nullopt;
    }
    return value;
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

const char* peerUsage() {
    return "usage: QuilloPeer [--uri quillo://pair?... | --host HOST --port PORT] [--pin HEX]\n"
           "                  [--trust-new-host] [--name NAME] [--token TOKEN]\n"
           "                  [--snapshot-request] [--switch-to ID] [--unpair-notification]\n"
           "                  [--answer-permissions allow|deny|ask]\n"
           "                  [--count N] [--timeout SECONDS]\n"
           "       QuilloPeer --forget FINGERPRINT | --forget HOST:PORT\n"
           "       QuilloPeer --help | --version\n"
           "Connects to a Quillo monitor (found on the local network, at HOST:PORT, or at the\n"
           "pairing address the monitor prints) as a phone would, prints every message it\n"
           "receives as one JSON line, and sends what the flags ask for once connected.\n"
           "Monitors are known by their certificate fingerprint. The certificate must match\n"
           "the pin (--pin, or the address's fp), else be one met before; a monitor never\n"
           "met before is asked about on the terminal (refused without one, trusted with\n"
           "--trust-new-host), and a new certificate at a known monitor's address is\n"
           "refused. Each monitor gets a pairing token of its own (--token, else a random\n"
           "one), remembered with it. When a known monitor's saved address does not answer,\n"
           "QuilloPeer looks for it on the local network by its fingerprint.\n"
           "--forget drops a remembered monitor and its token.\n"
           "Permission questions (when the monitor lets phones answer) are answered at\n"
           "once with --answer-permissions allow or deny; with ask, each is shown on\n"
           "standard error and waits for an allow or deny command.\n"
           "Commands on standard input, one per line:\n"
           "  snapshot_request | switch_to ID | unpair_notification\n"
           "  allow REQUEST_ID | deny REQUEST_ID [MESSAGE] | quit\n";
}

std::variant<PeerOptions, PeerUsageError>
parsePeerOptions(const std::vector<std::string>& arguments) {
    PeerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& flag = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) {
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (flag == "--snapshot-request") {
            options.sendOnConnect.push_back(TransportMessage::snapshotRequest());
        } else if (flag == "--trust-new-host") {
            options.trustNewHost = true;
        } else if (flag == "--unpair-notification") {
            options.sendOnConnect.push_back(TransportMessage::unpairNotification());
        } else if (flag == "--host" || flag == "--port" || flag == "--name" || flag == "--token" ||
                   flag == "--switch-to" || flag == "--count" || flag == "--timeout" ||
                   flag == "--pin" || flag == "--uri" || flag == "--forget" ||
                   flag == "--answer-permissions") {
            auto v = value();
            if (!v) {
                return PeerUsageError{flag + " needs a value"};
            }
            if (flag == "--host") {
                options.host = *v;
            } else if (flag == "--uri") {
                auto address = PairingAddress::parse(*v);
                if (!address) {
                    return PeerUsageError{"--uri needs a pairing address "
                                          "(quillo://pair?host=...&port=...&fp=...)"};
                }
                options.host = address->host;
                options.port = address->port;
                options.pin = address->fingerprint;
            } else if (flag == "--pin") {
                auto pin = normalizedFingerprint(*v);
                if (!pin) {
                    return PeerUsageError{"--pin needs a SHA-256 fingerprint (64 hex digits)"};
                }
                options.pin = *pin;
            } else if (flag == "--answer-permissions") {
                if (*v == "allow") {
                    options.answerPermissions = PeerOptions::Answering::allow;
                } else if (*v == "deny") {
                    options.answerPermissions = PeerOptions::Answering::deny;
                } else if (*v == "ask") {
                    options.answerPermissions = PeerOptions::Answering::ask;
                } else {
                    return PeerUsageError{"--answer-permissions takes allow, deny or ask"};
                }
            } else if (flag == "--forget") {
                options.forget = *v;
            } else if (flag == "--port") {
                auto port = parseNumber(*v, 1, 65535);
                if (!port) {
                    return PeerUsageError{"--port needs a port number"};
                }
                options.port = static_cast<std::uint16_t>(*port);
            } else if (flag == "--name") {
                options.name = *v;
            } else if (flag == "--token") {
                options.token = *v;
            } else if (flag == "--switch-to") {
                options.sendOnConnect.push_back(TransportMessage::switchTo({*v}));
            } else {
                auto n = parseNumber(*v, 1, 1'000'000);
                if (!n) {
                    return PeerUsageError{flag + " needs a positive number"};
                }
                (flag == "--count" ? options.count : options.timeoutSeconds) = static_cast<int>(*n);
            }
        } else {
            return PeerUsageError{
                (flag.starts_with("-") ? "unknown option \"" : "unexpected argument \"") + flag +
                "\""};
        }
    }
    if (options.host.has_value() != options.port.has_value()) {
        return PeerUsageError{"--host and --port go together"};
    }
    if (options.token && options.token->empty()) {
        return PeerUsageError{"--token must not be empty"};
    }
    return options;
}

std::optional<TransportMessage> parsePeerCommand(const std::string& line) {
    const std::string command = trim(line);
    if (command == "snapshot_request") {
        return TransportMessage::snapshotRequest();
    }
    if (command == "unpair_notification") {
        return TransportMessage::unpairNotification();
    }
    for (const std::string verb : {"allow ", "deny "}) {
        if (command.rfind(verb, 0) != 0) {
            continue;
        }
        const std::string rest = trim(command.substr(verb.size()));
        const auto space = rest.find(' ');
        const std::string id = rest.substr(0, space);
        if (id.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> message;
        if (space != std::string::npos && verb == "deny ") {
            message = trim(rest.substr(space + 1));
        }
        return TransportMessage::permissionDecision({id, verb == "allow ", message});
    }
    const std::string prefix = "switch_to ";
    if (command.rfind(prefix, 0) == 0) {
        std::string id = trim(command.substr(prefix.size()));
        if (!id.empty()) {
            return TransportMessage::switchTo({id});
        }
    }
    return std::nullopt;
}

} // namespace quillo
