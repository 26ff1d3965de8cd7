// SPDX-License-Identifier: GPL-3.0-or-later
#include "QrCode.h"

#include <qrencode.h>

#include <memory>

namespace quillo {

std::optional<QrCode> QrCode::encode(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    // Eight-bit mode for the whole text: an address mixes cases and symbols,
    // so the other modes would save little.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(bytes.size()),
                          reinterpret_cast<const unsigned char*>(bytes.constData()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!code || code->width <= 0) {
        return std::nullopt;
    }
    const int size = code->width;
    std::vector<bool> modules(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < modules.size(); ++i) {
        modules[i] = (code->data[i] & 1) != 0; // bit 0: dark; the others are libqrencode's notes
    }
    return QrCode(size, std::move(modules));
}

std::optional<QrCode> QrCode::encode(const QString& text) {
    return encode(text.toUtf8());
}

} // namespace quillo
