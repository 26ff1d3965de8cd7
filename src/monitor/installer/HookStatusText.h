// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillo {

// The status subtitle of the hook pane when the hooks are installed: how many
// hook events hold our entries (six, or more where Claude Code knows the extra
// events). Translation context "HookConfigDetail".
QString hookStatusSubtitle(int registeredEventCount);

} // namespace quillo
