// SPDX-License-Identifier: GPL-3.0-or-later
#include "NearbyIdentity.h"

#include "AppPaths.h"
#include "DiagnosticLogger.h"

#include <QDateTime>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

namespace quillo {

namespace {

template <auto Free> struct Deleter {
    template <typename T> void operator()(T* p) const { Free(p); }
};
using PKeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free_all>>;

std::optional<NearbyIdentity> parse(const QByteArray& pem) {
    QSslKey key(pem, QSsl::Ec, QSsl::Pem, QSsl::PrivateKey);
    auto certificates = QSslCertificate::fromData(pem, QSsl::Pem);
    if (key.isNull() || certificates.isEmpty() || certificates.front().isNull()) {
        return std::nullopt;
    }
    return NearbyIdentity{certificates.front(), key};
}

// A P-256 key and a self-signed certificate valid for 20 years, as PEM text.
std::optional<QByteArray> generatePem() {
    PKeyPtr key(EVP_EC_gen("P-256"));
    X509Ptr certificate(X509_new());
    if (!key || !certificate) {
        return std::nullopt;
    }
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1) {
        return std::nullopt;
    }
    serial[0] &= 0x7F; // a positive serial number
    std::unique_ptr<BIGNUM, Deleter<BN_free>> serialNumber(
        BN_bin2bn(serial, sizeof serial, nullptr));
    if (!serialNumber || !X509_set_version(certificate.get(), 2) ||
        !BN_to_ASN1_INTEGER(serialNumber.get(), X509_get_serialNumber(certificate.get())) ||
        !X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -60L * 60 * 24) ||
        !X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 60L * 60 * 24 * 365 * 20) ||
        !X509_set_pubkey(certificate.get(), key.get())) {
        return std::nullopt;
    }
    X509_NAME* name = X509_get_subject_name(certificate.get());
    const auto* commonName = reinterpret_cast<const unsigned char*>("Quillo");
    if (!X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, commonName, -1, -1, 0) ||
        !X509_set_issuer_name(certificate.get(), name) ||
        X509_sign(certificate.get(), key.get(), EVP_sha256()) <= 0) {
        return std::nullopt;
    }
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio ||
        !PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) ||
        !PEM_write_bio_X509(bio.get(), certificate.get())) {
        return std::nullopt;
    }
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    if (size <= 0 || !data) {
        return std::nullopt;
    }
    return QByteArray(data, static_cast<qsizetype>(size));
}

std::optional<QByteArray> readPrivateFile(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return std::nullopt;
    }
    ::fchmod(fd, 0600);
    QByteArray contents;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && contents.size() < 256 * 1024) {
        contents.append(buffer, n);
    }
    ::close(fd);
    return contents;
}

// Written beside the target and renamed over it, so a reader never sees half a key.
bool writePrivateFile(const std::filesystem::path& file, const QByteArray& contents) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::string temp = (file.parent_path() / (file.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    ::fchmod(fd, 0600);
    qsizetype written = 0;
    while (written < contents.size()) {
        ssize_t n = ::write(fd, contents.constData() + written,
                            static_cast<std::size_t>(contents.size() - written));
        if (n <= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        written += n;
    }
    bool ok = ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

std::filesystem::path NearbyIdentity::standardFile() {
    return AppPaths::appSupportDirectory() / "transport-identity.pem";
}

namespace {

// What writePrivateFile leaves behind when the process dies between mkstemp
// and rename: FILE.XXXXXX, with a private key in it.
void removeStaleTemporaries(const std::filesystem::path& file) {
    std::error_code ec;
    const std::string prefix = file.filename().string() + ".";
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](unsigned char c) { return std::isalnum(c) != 0; })) {
            std::error_code ignored;
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

} // namespace

std::optional<NearbyIdentity> NearbyIdentity::loadOrCreate(const std::filesystem::path& file) {
    if (file.parent_path() == AppPaths::appSupportDirectory()) {
        AppPaths::ensureAppSupportDirectory();
    }
    removeStaleTemporaries(file);
    std::optional<std::filesystem::path> keptAside;
    if (auto existing = readPrivateFile(file); existing && !existing->isEmpty()) {
        if (auto identity = parse(*existing)) {
            return identity;
        }
        // Replaced without a word, it would leave every paired phone facing
        // a changed certificate with nothing on this side to explain it.
        const auto aside = std::filesystem::path(file.string() + ".bad-" +
                                                 QDateTime::currentDateTimeUtc()
                                                     .toString(QStringLiteral("yyyyMMdd-HHmmss"))
                                                     .toStdString());
        std::error_code ec;
        std::filesystem::rename(file, aside, ec);
        keptAside = ec ? file : aside;
        DiagnosticLogger::warn("transport",
                               "TLS identity unreadable: a new one was made; paired phones must "
                               "be paired again",
                               {{"file", file.string()}, {"kept_as", keptAside->string()}});
    }
    auto pem = generatePem();
    if (!pem) {
        return std::nullopt;
    }
    auto identity = parse(*pem);
    if (!identity) {
        return std::nullopt;
    }
    // An identity that cannot be saved still serves this run; clients will just
    // see a new certificate next time.
    writePrivateFile(file, *pem);
    identity->replacedFileKeptAs = keptAside;
    return identity;
}

QString NearbyIdentity::fingerprintOf(const QSslCertificate& certificate) {
    if (certificate.isNull()) {
        return {};
    }
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex());
}

} // namespace quillo
