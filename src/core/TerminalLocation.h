// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TerminalKind.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillo {

// Where exactly a session runs: the terminal application, the process just below
// it (normally the tab's shell) and the tab's terminal device.
struct TerminalLocation {
    TerminalKind kind = TerminalKind::unknown;
    std::int32_t appPID = 0;
    std::int32_t shellPID = 0;
    std::optional<std::string> tty; // "/dev/..." when known

    bool operator==(const TerminalLocation&) const = default;
};

} // namespace quillo
