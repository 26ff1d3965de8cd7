// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransportPort.h"

#include "DiagnosticLogger.h"

#include <charconv>
#include <cstdlib>

namespace quillo::TransportPort {

std::optional<quint16> parse(const std::string& text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end || value > 65535) {
        return std::nullopt;
    }
    return static_cast<quint16>(value);
}

quint16 fromEnvironment() {
    const char* raw = std::getenv("QUILLO_TRANSPORT_PORT");
    if (!raw) {
        return standard;
    }
    if (auto port = parse(raw)) {
        return *port;
    }
    DiagnosticLogger::warn("transport",
                           "QUILLO_TRANSPORT_PORT is not a port number; using the standard port",
                           {{"value", raw}});
    return standard;
}

} // namespace quillo::TransportPort
