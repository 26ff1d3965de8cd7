// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>
#include <string>

namespace quillo::TransportPort {

// The port the monitor listens on for phones: one fixed port a firewall rule can
// allow, unless QUILLO_TRANSPORT_PORT says otherwise ("0" = the system picks).
// Below the range the system hands out for outgoing connections (32768 and
// up on Linux), where any program's connection could be holding it.
inline constexpr quint16 standard = 27810;

// The port from the variable's text; nothing when it is not a port number.
std::optional<quint16> parse(const std::string& text);

// QUILLO_TRANSPORT_PORT when set and valid, else `standard`. An invalid value is
// noted in the diagnostic log.
quint16 fromEnvironment();

} // namespace quillo::TransportPort
