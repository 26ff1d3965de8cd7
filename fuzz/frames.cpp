// SPDX-License-Identifier: GPL-3.0-or-later
// The frame reader, fed an arbitrary byte stream in arbitrary pieces. The
// first byte picks the piece size and whether the connection counts as
// accepted (which limit applies).
#include "NearbyFrame.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = 1 + (data[0] & 0x3F);
    quillo::FrameReader reader;
    reader.setMaxLength((data[0] & 0x80) ? quillo::NearbyFrame::maxLength
                                         : quillo::NearbyFrame::maxLengthBeforeAccept);
    for (std::size_t at = 1; at < size; at += piece) {
        const std::size_t n = std::min(piece, size - at);
        reader.append(
            QByteArray(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(n)));
        while (auto frame = reader.next()) {
            // A frame handed out is always within the limit and of a known type.
            if (static_cast<std::size_t>(frame->body.size()) >= quillo::NearbyFrame::maxLength) {
                __builtin_trap();
            }
        }
        if (reader.failed()) {
            break;
        }
    }
    return 0;
}
