// SPDX-License-Identifier: GPL-3.0-or-later
#include "KnownHosts.h"

#include "AppPaths.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace quillo {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Spaces separate the fields of a line and a line ends the entry: both, the
// escape itself and other control characters are written as %XX.
std::string encode(const std::string& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if (c <= ' ' || c == '%' || c == 0x7f) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<std::string> decode(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        unsigned byte = 0;
        if (i + 2 >= value.size()) {
            return std::nullopt;
        }
        auto [ptr, ec] = std::from_chars(value.data() + i + 1, value.data() + i + 3, byte, 16);
        if (ec != std::errc{} || ptr != value.data() + i + 3) {
            return std::nullopt;
        }
        out += static_cast<char>(byte);
        i += 2;
    }
    return out;
}

std::optional<HostAddress> parseAddress(std::string text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return std::nullopt;
    }
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    unsigned port = 0;
    const std::string portText = text.substr(colon + 1);
    auto [ptr, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc{} || ptr != portText.data() + portText.size() || port == 0 ||
        port > 65535) {
        return std::nullopt;
    }
    return HostAddress{host, static_cast<std::uint16_t>(port)};
}

// One host per fingerprint: the lines of earlier versions could name the same
// host twice (by address and by service name).
void merge(std::vector<KnownHost>& hosts, KnownHost host) {
    for (auto& existing : hosts) {
        if (existing.fingerprint == host.fingerprint) {
            if (!existing.token) {
                existing.token = host.token;
            }
            for (const auto& address : host.addresses) {
                if (std::find(existing.addresses.begin(), existing.addresses.end(), address) ==
                    existing.addresses.end()) {
                    existing.addresses.push_back(address);
                }
            }
            return;
        }
    }
    hosts.push_back(std::move(host));
}

std::vector<KnownHost> readHosts(const std::filesystem::path& file) {
    std::vector<KnownHost> hosts;
    std::ifstream input(file);
    std::string text;
    while (std::getline(input, text)) {
        auto space = text.find(' ');
        if (space == std::string::npos || space == 0 || space + 1 >= text.size()) {
            continue; // not ours; kept out rather than guessed at
        }
        KnownHost host{lower(text.substr(0, space)), std::nullopt, {}};
        const std::string rest = text.substr(space + 1);
        if (rest.starts_with("address:")) {
            if (auto address = parseAddress(rest.substr(8))) { // an earlier version's line
                host.addresses.push_back(*address);
            }
        } else if (!rest.starts_with("name:")) {
            std::istringstream fields(rest);
            std::string field;
            while (fields >> field) {
                if (field.starts_with("token=")) {
                    host.token = decode(field.substr(6));
                } else if (field.starts_with("at=")) {
                    auto at = decode(field.substr(3));
                    auto address = at ? parseAddress(*at) : std::nullopt;
                    if (address && host.addresses.size() < KnownHost::maxAddresses) {
                        host.addresses.push_back(*address);
                    }
                }
            }
        }
        merge(hosts, std::move(host));
    }
    return hosts;
}

bool writeHosts(const std::filesystem::path& file, const std::vector<KnownHost>& hosts) {
    AppPaths::ensurePrivateDirectory(file.parent_path());
    const auto temporary = file.string() + ".new";
    {
        // Tokens are secrets: the file is private before anything is in it.
        std::ofstream output(temporary, std::ios::trunc);
        if (!output) {
            return false;
        }
        ::chmod(temporary.c_str(), 0600);
        for (const auto& host : hosts) {
            output << host.fingerprint;
            if (host.token) {
                output << " token=" << encode(*host.token);
            }
            for (const auto& address : host.addresses) {
                output << " at=" << encode(address.toString());
            }
            output << '\n';
        }
        if (!output.flush()) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    return !error;
}

} // namespace

std::string HostAddress::toString() const {
    if (host.find(':') != std::string::npos) {
        return "[" + host + "]:" + std::to_string(port);
    }
    return host + ":" + std::to_string(port);
}

void KnownHost::reachedAt(const HostAddress& address) {
    std::erase(addresses, address);
    addresses.insert(addresses.begin(), address);
    if (addresses.size() > maxAddresses) {
        addresses.resize(maxAddresses);
    }
}

std::optional<std::string> normalizedFingerprint(std::string text) {
    std::erase(text, ':');
    if (text.size() != 64 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return std::nullopt;
    }
    return lower(std::move(text));
}

KnownHosts::KnownHosts(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path KnownHosts::standardFile() {
    return AppPaths::appSupportDirectory().parent_path() / "quillo-peer" / "known-hosts";
}

std::vector<KnownHost> KnownHosts::all() const {
    return readHosts(file_);
}

std::optional<KnownHost> KnownHosts::withFingerprint(const std::string& fingerprint) const {
    const std::string wanted = lower(fingerprint);
    for (auto& host : readHosts(file_)) {
        if (host.fingerprint == wanted) {
            return host;
        }
    }
    return std::nullopt;
}

std::optional<KnownHost> KnownHosts::at(const HostAddress& address) const {
    for (auto& host : readHosts(file_)) {
        if (std::find(host.addresses.begin(), host.addresses.end(), address) !=
            host.addresses.end()) {
            return host;
        }
    }
    return std::nullopt;
}

bool KnownHosts::remember(const KnownHost& host) {
    if (host.fingerprint.empty() || host.fingerprint.find_first_of(" \r\n") != std::string::npos) {
        return false;
    }
    auto hosts = readHosts(file_);
    KnownHost stored = host;
    stored.fingerprint = lower(stored.fingerprint);
    std::erase_if(hosts, [&](const KnownHost& h) { return h.fingerprint == stored.fingerprint; });
    for (auto& other : hosts) {
        std::erase_if(other.addresses, [&](const HostAddress& address) {
            return std::find(stored.addresses.begin(), stored.addresses.end(), address) !=
                   stored.addresses.end();
        });
    }
    hosts.push_back(std::move(stored));
    return writeHosts(file_, hosts);
}

bool KnownHosts::forget(const std::string& fingerprintOrAddress) {
    auto hosts = readHosts(file_);
    std::size_t forgotten = 0;
    if (auto fingerprint = normalizedFingerprint(fingerprintOrAddress)) {
        forgotten =
            std::erase_if(hosts, [&](const KnownHost& h) { return h.fingerprint == *fingerprint; });
    } else {
        std::string text = fingerprintOrAddress;
        if (text.starts_with("address:")) {
            text = text.substr(8); // as earlier versions named a host
        }
        if (auto address = parseAddress(text)) {
            forgotten = std::erase_if(hosts, [&](const KnownHost& h) {
                return std::find(h.addresses.begin(), h.addresses.end(), *address) !=
                       h.addresses.end();
            });
        }
    }
    return forgotten > 0 && writeHosts(file_, hosts);
}

HostVerdict judgeHost(const KnownHosts& known, const HostSighting& sighting,
                      NewHostPolicy newHosts) {
    using Kind = HostVerdict::Kind;
    const std::string presented = lower(sighting.fingerprint);
    std::string where = sighting.name;
    if (sighting.address && sighting.address->toString() != where) {
        where += " at " + sighting.address->toString();
    }
    if (presented.empty()) {
        return {Kind::refused,
                "refused " + where + ": it presented no certificate; nothing was sent"};
    }
    if (sighting.lookingFor) {
        if (presented == lower(*sighting.lookingFor)) {
            return {Kind::trusted, {}};
        }
        return {Kind::refused, "passed over " + where + ": not the host looked for (its " +
                                   "certificate fingerprint is " + presented + ")"};
    }
    if (sighting.pin) {
        if (lower(*sighting.pin) == presented) {
            return {Kind::trusted, {}};
        }
        return {Kind::refused, "refused " + where + ": its certificate fingerprint " + presented +
                                   " does not match the pin " + lower(*sighting.pin) +
                                   "; nothing was sent"};
    }
    if (known.withFingerprint(presented)) {
        return {Kind::trusted, {}};
    }
    if (sighting.address && sighting.addressTyped) {
        if (auto before = known.at(*sighting.address)) {
            return {Kind::refused,
                    "WARNING: the certificate at " + sighting.address->toString() +
                        " has CHANGED (known there: " + before->fingerprint + ", presented " +
                        presented +
                        "). Another machine may be posing as it; nothing was sent. If the "
                        "computer's identity was renewed on purpose, forget the old one with: "
                        "QuilloPeer --forget " +
                        before->fingerprint};
        }
    }
    switch (newHosts) {
    case NewHostPolicy::trust:
        return {Kind::trusted, "first contact with " + where +
                                   "; trusting its certificate fingerprint " + presented +
                                   " (--trust-new-host) and remembering it in " +
                                   known.file().string()};
    case NewHostPolicy::ask:
        return {Kind::ask, "first contact with " + where +
                               "; its certificate fingerprint is\n    " + presented +
                               "\n  Compare it with the fp= of the pairing address the monitor "
                               "shows."};
    case NewHostPolicy::refuse:
        break;
    }
    return {Kind::refused,
            "refused " + where + ": a host not met before (certificate fingerprint " + presented +
                ") and no terminal to ask on; nothing was sent. Once the fingerprint is checked "
                "against the fp= of the monitor's pairing address, pass --pin " +
                presented + " (or --trust-new-host)"};
}

} // namespace quillo
