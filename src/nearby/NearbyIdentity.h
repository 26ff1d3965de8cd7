// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSslCertificate>
#include <QSslKey>

#include <filesystem>
#include <optional>

namespace quillo {

// The advertiser's TLS identity: a self-signed certificate and its key, kept in
// one PEM file (mode 0600) so a client sees the same host again across runs.
struct NearbyIdentity {
    QSslCertificate certificate;
    QSslKey key;
    // Set when the file held something that is not an identity: it was kept
    // aside there and a new identity made, so every paired phone will see a
    // changed certificate and must be paired again.
    std::optional<std::filesystem::path> replacedFileKeptAs;

    // "transport-identity.pem" in the application-support directory.
    static std::filesystem::path standardFile();

    // Reads the file, or creates a new identity there when it is missing or
    // unreadable (a damaged file is kept aside and a warning logged).
    // Temporary copies left by an interrupted earlier write are removed
    // first. Nothing when neither works.
    static std::optional<NearbyIdentity> loadOrCreate(const std::filesystem::path& file);

    // The host's identity as clients see it: the SHA-256 of the certificate
    // (DER), as 64 lower-case hex digits.
    QString fingerprint() const { return fingerprintOf(certificate); }
    static QString fingerprintOf(const QSslCertificate& certificate);
};

} // namespace quillo
