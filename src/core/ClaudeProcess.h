// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcessState.h"
#include "TerminalLocation.h"
#include "Timestamp.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillo {

// One Claude Code session as the monitor tracks it, keyed by the session id.
struct ClaudeProcess {
    std::string id;
    std::string name;
    ProcessState state = ProcessState::unknown;
    Timestamp startedAt{};
    Timestamp stateChangedAt{};
    std::optional<std::string> cwd;
    std::optional<std::int32_t> claudePID;
    std::optional<TerminalLocation> terminal;

    bool operator==(const ClaudeProcess&) const = default;
};

} // namespace quillo
