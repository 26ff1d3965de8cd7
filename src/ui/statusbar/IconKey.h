// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"

#include <vector>

namespace quillo {

// Everything the status icon shows. Two icons with equal keys are identical, so
// the icon is redrawn only when the key changes.
struct IconKey {
    int waitingCount = 0;
    bool hasConnectedPhone = false;
    bool hasHookError = false;
    bool isDark = false;
    // False when nothing said whether the tray is light or dark: the glyph is
    // then drawn to read on both.
    bool isSchemeKnown = true;

    bool operator==(const IconKey&) const = default;

    // Sessions waiting for input or for a permission decision count; active,
    // completed and unknown ones do not.
    static IconKey make(const std::vector<ClaudeProcess>& processes, int peerCount, bool hookError,
                        bool isDark, bool isSchemeKnown = true);
};

// What is drawn over the glyph, in order of precedence: waiting sessions (with
// the error dot on top when the hooks are also broken), then broken hooks, then
// a connected phone.
enum class IconOverlay { none, badge, badgeWithErrorDot, errorDot, connectedDot };

IconOverlay overlayFor(const IconKey& key);

} // namespace quillo
