// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace quillo::TransportServiceType {

// The service hosts advertise and clients browse for. The suffix is the protocol
// generation: peers of another generation do not see each other at all.
inline constexpr std::string_view mvp = "quillo-v1";

} // namespace quillo::TransportServiceType
