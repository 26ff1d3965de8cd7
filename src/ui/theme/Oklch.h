// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace quillo {

// An sRGB colour with its channels in [0, 1], as the OKLCH conversion yields it.
struct SrgbColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

// OKLCH (lightness 0–1, chroma, hue in degrees) to sRGB: through OKLab and
// linear sRGB; channels outside the gamut are clamped to [0, 1] before the sRGB
// transfer function, never wrapped.
SrgbColor oklchToSrgb(double lightness, double chroma, double hueDegrees, double alpha = 1);

QColor oklch(double lightness, double chroma, double hueDegrees, double alpha = 1);

} // namespace quillo
