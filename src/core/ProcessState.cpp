// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessState.h"

namespace quillo {

std::string_view rawValue(ProcessState state) {
    switch (state) {
    case ProcessState::active:
        return "active";
    case ProcessState::waitingInput:
        return "waiting_input";
    case ProcessState::waitingPermission:
        return "waiting_permission";
    case ProcessState::completed:
        return "completed";
    case ProcessState::unknown:
        return "unknown";
    }
    return "unknown";
}

std::optional<ProcessState> processStateFromRaw(std::string_view raw) {
    for (ProcessState state : allProcessStates) {
        if (rawValue(state) == raw) {
            return state;
        }
    }
    return std::nullopt;
}

} // namespace quillo
