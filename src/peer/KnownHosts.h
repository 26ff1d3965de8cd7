// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// Where a host was reached.
struct HostAddress {
    std::string host;
    std::uint16_t port = 0;
    std::string toString() const; // "HOST:PORT", "[::1]:PORT" for IPv6
    bool operator==(const HostAddress&) const = default;
};

// A host QuilloPeer trusts, known by its certificate fingerprint: the pairing
// token this phone uses with it (a different one for every host, so that no
// host learns what another one accepts) and where it was reached, latest
// first (the same host is often reached by more than one name).
struct KnownHost {
    std::string fingerprint; // SHA-256, lower-case hex
    std::optional<std::string> token;
    std::vector<HostAddress> addresses;
    bool operator==(const KnownHost&) const = default;

    static constexpr std::size_t maxAddresses = 4;
    // Puts the address first, dropping the oldest beyond the limit.
    void reachedAt(const HostAddress& address);
};

// The hosts QuilloPeer has met. One line per host:
//   FINGERPRINT token=TOKEN at=HOST:PORT at=HOST:PORT
// (token and at optional, values percent-encoded). Lines of earlier versions,
// "FINGERPRINT address:HOST:PORT" and "FINGERPRINT name:SERVICE NAME", are
// read as hosts without a token (the address one with its address) and
// rewritten in the new form with the next change.
class KnownHosts {
public:
    explicit KnownHosts(std::filesystem::path file);

    // "known-hosts" in QuilloPeer's data directory ($XDG_DATA_HOME/quillo-peer).
    static std::filesystem::path standardFile();

    const std::filesystem::path& file() const { return file_; }

    std::vector<KnownHost> all() const;
    std::optional<KnownHost> withFingerprint(const std::string& fingerprint) const;
    // The host reached at that address.
    std::optional<KnownHost> at(const HostAddress& address) const;

    // Adds or replaces the host of that fingerprint; another host saved at
    // one of its addresses loses that address (only one can be there). False when the file
    // cannot be written or a value cannot be stored.
    bool remember(const KnownHost& host);
    // Drops the host with that fingerprint, or the one saved at "HOST:PORT".
    // True when a host was forgotten.
    bool forget(const std::string& fingerprintOrAddress);

private:
    std::filesystem::path file_;
};

// Lower-case hex without colons; nothing when it is not 64 hex digits.
std::optional<std::string> normalizedFingerprint(std::string text);

// What QuilloPeer makes of a host that just presented its certificate.
struct HostSighting {
    std::string fingerprint;               // as presented (empty: no certificate)
    std::string name;                      // its advertised name, or the address typed
    std::optional<HostAddress> address;    // where it was reached
    bool addressTyped = false;             // that address came from the command line
    std::optional<std::string> pin;        // --pin or the pairing address's fp
    std::optional<std::string> lookingFor; // browsing for a known host that moved
};

// Trusted hosts are the pinned one, known ones and, when the user allows it,
// new ones; a new host is asked about on a terminal (or refused without one).
// A new certificate at a typed address where another known host was is
// refused outright: another machine may be posing as it. (Found by browsing,
// an address says little: addresses are handed out again.)
enum class NewHostPolicy { refuse, ask, trust };

struct HostVerdict {
    enum class Kind { trusted, refused, ask } kind = Kind::refused;
    std::string message; // for the user; empty when there is nothing to say
};

HostVerdict judgeHost(const KnownHosts& known, const HostSighting& sighting,
                      NewHostPolicy newHosts);

} // namespace quillo
