// SPDX-License-Identifier: GPL-3.0-or-later
// The phone messages' decoder; whatever decodes must encode and decode again
// to the same message.
#include "transport/TransportCoding.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const auto message = quillo::TransportCoding::decode(bytes);
        std::string encoded;
        try {
            encoded = quillo::TransportCoding::encode(message);
        } catch (const quillo::TransportCoding::CodingError&) {
            return 0; // e.g. a date the encoder cannot write
        }
        if (!(quillo::TransportCoding::decode(encoded) == message)) {
            __builtin_trap();
        }
    } catch (const quillo::TransportCoding::CodingError&) {
    }
    return 0;
}
