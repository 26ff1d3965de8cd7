// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace quillo::Fonts {

// Sizes are given in points of the interface's design, which are logical
// pixels: N points become a point size of N * 72 / 96, so the proportions hold at
// the usual 96 logical DPI and scale with the desktop.
double pointSize(double points);

// The desktop's interface font, with Noto Sans CJK SC for Chinese text.
QFont ui(double points, QFont::Weight weight = QFont::Normal);

// The fixed-width font, for "monospaced design" texts and digits that line up.
QFont monospaced(double points, QFont::Weight weight = QFont::Normal);

// The Chinese fallback family put after the interface font.
inline constexpr const char* chineseFamily = "Noto Sans CJK SC";

} // namespace quillo::Fonts
