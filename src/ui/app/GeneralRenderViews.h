// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderRegistry.h"

namespace quillo {

// Render samples of the general pane (with a recorded shortcut and working
// services), of the shortcut recorder in each of its states, and of the trust
// dialog.
RenderView generalSettingsSample();
enum class RecorderSample { idle, recording, set };
RenderView shortcutRecorderSample(RecorderSample state);
RenderView trustPromptSample();

} // namespace quillo
