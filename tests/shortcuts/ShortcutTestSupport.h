// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CarbonKeys.h"
#include "Shortcut.h"

namespace quillo::test {

inline constexpr std::int64_t ctrlAlt = CarbonKeys::controlMask | CarbonKeys::optionMask;
inline const Shortcut ctrlAltK{0x28, ctrlAlt};
inline const Shortcut ctrlAltJ{0x26, ctrlAlt};

// The application object for widget tests, on the offscreen platform.
void widgetApp();

} // namespace quillo::test
