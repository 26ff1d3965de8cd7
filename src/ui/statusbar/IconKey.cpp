// SPDX-License-Identifier: GPL-3.0-or-later
#include "IconKey.h"

#include <algorithm>

namespace quillo {

IconKey IconKey::make(const std::vector<ClaudeProcess>& processes, int peerCount, bool hookError,
                      bool isDark, bool isSchemeKnown) {
    const auto waiting = std::count_if(processes.begin(), processes.end(), [](const auto& p) {
        return p.state == ProcessState::waitingInput || p.state == ProcessState::waitingPermission;
    });
    return {static_cast<int>(waiting), peerCount >= 1, hookError, isDark, isSchemeKnown};
}

IconOverlay overlayFor(const IconKey& key) {
    if (key.waitingCount > 0) {
        return key.hasHookError ? IconOverlay::badgeWithErrorDot : IconOverlay::badge;
    }
    if (key.hasHookError) {
        return IconOverlay::errorDot;
    }
    return key.hasConnectedPhone ? IconOverlay::connectedDot : IconOverlay::none;
}

} // namespace quillo
