// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace quillo {

// What a Claude Code session is doing. The raw values travel to the phone and are
// shown to the user, so they never change.
enum class ProcessState { active, waitingInput, waitingPermission, completed, unknown };

inline constexpr std::array allProcessStates{
    ProcessState::active,    ProcessState::waitingInput, ProcessState::waitingPermission,
    ProcessState::completed, ProcessState::unknown,
};

std::string_view rawValue(ProcessState state);
std::optional<ProcessState> processStateFromRaw(std::string_view raw);

} // namespace quillo
