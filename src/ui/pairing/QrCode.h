// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace quillo {

// The module matrix of a QR code (error correction level M), as libqrencode
// builds it: `size` × `size` modules, without the quiet zone around them.
class QrCode {
public:
    // Nothing for empty data or data too long for the largest code.
    static std::optional<QrCode> encode(const QByteArray& bytes);
    // The text as UTF-8.
    static std::optional<QrCode> encode(const QString& text);

    int size() const { return size_; }
    bool isDark(int x, int y) const { return modules_[static_cast<std::size_t>(y * size_ + x)]; }

private:
    QrCode(int size, std::vector<bool> modules) : size_(size), modules_(std::move(modules)) {}

    int size_;
    std::vector<bool> modules_;
};

} // namespace quillo
