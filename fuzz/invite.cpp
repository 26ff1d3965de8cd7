// SPDX-License-Identifier: GPL-3.0-or-later
// The body of INVITE, as the host parses it before anyone is authenticated,
// and of DECLINE, as the browser parses it.
#include "NearbyConnection.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (auto invite = quillo::parseHandshake(body, true)) {
        // What gets through is a usable name: not empty, already clean.
        if (invite->name.isEmpty() || invite->name.toUtf8().size() > 63) {
            __builtin_trap();
        }
    }
    // The same bytes as the body of a DECLINE, which the browser parses.
    if (auto reason = quillo::parseDecline(body)) {
        if (reason->size() > quillo::maxDeclineReason) {
            __builtin_trap();
        }
    }
    return 0;
}
