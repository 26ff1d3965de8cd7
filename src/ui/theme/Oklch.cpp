// SPDX-License-Identifier: GPL-3.0-or-later
#include "Oklch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quillo {

namespace {

double encodeSrgb(double linear) {
    const double x = std::clamp(linear, 0.0, 1.0);
    return x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1.0 / 2.4) - 0.055;
}

} // namespace

SrgbColor oklchToSrgb(double lightness, double chroma, double hueDegrees, double alpha) {
    const double hue = hueDegrees * std::numbers::pi / 180.0;
    const double a = chroma * std::cos(hue);
    const double b = chroma * std::sin(hue);

    const double l_ = lightness + 0.3963377774 * a + 0.2158037573 * b;
    const double m_ = lightness - 0.1055613458 * a - 0.0638541728 * b;
    const double s_ = lightness - 0.0894841775 * a - 1.291485548 * b;
    const double l = l_ * l_ * l_;
    const double m = m_ * m_ * m_;
    const double s = s_ * s_ * s_;

    const double red = 4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s;
    const double green = -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s;
    const double blue = -0.0041960863 * l - 0.7034186147 * m + 1.707614701 * s;

    return {encodeSrgb(red), encodeSrgb(green), encodeSrgb(blue), std::clamp(alpha, 0.0, 1.0)};
}

QColor oklch(double lightness, double chroma, double hueDegrees, double alpha) {
    const SrgbColor c = oklchToSrgb(lightness, chroma, hueDegrees, alpha);
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

} // namespace quillo
