// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillo {

// The hosts QuilloPeer has met, each with the certificate fingerprint it
// showed the first time, so that a different certificate later is noticed.
// One line per host, "FINGERPRINT KEY"; keys are "name:SERVICE NAME" for a
// host found by discovery and "address:HOST:PORT" for one given by address.
class KnownHosts {
public:
    explicit KnownHosts(std::filesystem::path file);

    // "known-hosts" in QuilloPeer's data directory ($XDG_DATA_HOME/quillo-peer).
    static std::filesystem::path standardFile();

    static std::string keyForName(const std::string& serviceName);
    static std::string keyForAddress(const std::string& host, std::uint16_t port);

    const std::filesystem::path& file() const { return file_; }

    std::optional<std::string> fingerprint(const std::string& key) const;
    // Adds or replaces the host's line. False when the file cannot be written.
    bool remember(const std::string& key, const std::string& fingerprint);
    // True when the host was known and is now forgotten.
    bool forget(const std::string& key);

private:
    std::filesystem::path file_;
};

// What QuilloPeer makes of a host's certificate fingerprint.
struct HostVerdict {
    bool trusted = false;
    std::string message; // for the user; empty when there is nothing to say
};

// With a pin, the fingerprint must equal it (hex, any letter case). Without
// one, the host is trusted on first use: remembered the first time, and
// refused afterwards when its certificate changed.
HostVerdict verifyHost(const std::optional<std::string>& pin, KnownHosts& known,
                       const std::string& key, const std::string& fingerprint);

} // namespace quillo
