// SPDX-License-Identifier: GPL-3.0-or-later
#include "Theme.h"

#include "Oklch.h"

namespace quillo::Theme {

#define QUILLO_THEME_COLOR(name, l, c, h, a)                                                       \
    const QColor& name() {                                                                         \
        static const QColor color = oklch(l, c, h, a);                                             \
        return color;                                                                              \
    }

QUILLO_THEME_COLOR(bgDeepest, 0.13, 0.008, 250, 1)
QUILLO_THEME_COLOR(bgBase, 0.16, 0.008, 250, 1)
QUILLO_THEME_COLOR(bgRaised, 0.2, 0.01, 250, 1)
QUILLO_THEME_COLOR(lineSoft, 0.3, 0.012, 250, 0.5)
QUILLO_THEME_COLOR(fg, 0.96, 0.005, 250, 1)
QUILLO_THEME_COLOR(fgMuted, 0.72, 0.01, 250, 1)
QUILLO_THEME_COLOR(fgDim, 0.55, 0.01, 250, 1)
QUILLO_THEME_COLOR(fgFaint, 0.4, 0.01, 250, 1)
QUILLO_THEME_COLOR(statusActive, 0.78, 0.16, 150, 1)
QUILLO_THEME_COLOR(statusActiveGlow, 0.78, 0.18, 150, 0.45)
QUILLO_THEME_COLOR(statusInput, 0.8, 0.16, 75, 1)
QUILLO_THEME_COLOR(statusInputGlow, 0.8, 0.18, 75, 0.45)
QUILLO_THEME_COLOR(statusPerm, 0.7, 0.2, 25, 1)
QUILLO_THEME_COLOR(statusPermGlow, 0.7, 0.22, 25, 0.55)
QUILLO_THEME_COLOR(statusPermDim, 0.5, 0.16, 25, 1)
QUILLO_THEME_COLOR(statusUnknown, 0.6, 0.01, 250, 1)
QUILLO_THEME_COLOR(accent, 0.72, 0.14, 240, 1)
QUILLO_THEME_COLOR(cardHighlightSoft, 0.55, 0.02, 250, 0.25)
QUILLO_THEME_COLOR(cardOuterShadow3, 0.04, 0.005, 250, 0.5)

#undef QUILLO_THEME_COLOR

} // namespace quillo::Theme
