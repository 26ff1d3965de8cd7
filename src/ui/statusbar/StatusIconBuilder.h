// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IconKey.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QIcon;
class QPainter;

namespace quillo::StatusIconBuilder {

// The icon's canvas in logical pixels; scale 2 draws the same into 48 × 40.
inline constexpr double canvasWidth = 24;
inline constexpr double canvasHeight = 20;

// The drawing operations, on a painter whose coordinates are the canvas's
// logical pixels (y grows downwards; the geometry is designed bottom-up and
// flipped here).
void drawTwinBeaconsGlyph(QPainter& painter, QSizeF canvas, bool isDark);
void drawNumberBadge(QPainter& painter, int count, QSizeF canvas, bool isDark);
void drawErrorDot(QPainter& painter, QSizeF canvas, bool isDark);
void drawConnectedDot(QPainter& painter, QSizeF canvas, bool isDark);

// "9+" above nine, else the count.
QString badgeText(int count);

// Where the badge, the error dot and the connected dot go (in y-down canvas
// coordinates); the badge's width follows from its text.
QRectF badgeRect(int count, QSizeF canvas);
QRectF errorDotRect(QSizeF canvas);
QRectF connectedDotRect(QSizeF canvas);

// The whole icon for a key at scale 1 or 2 (24 × 20 or 48 × 40 pixels, with
// that device pixel ratio).
QImage drawIcon(const IconKey& key, int scale);

// Just the glyph, for the moment before the first real redraw.
QImage drawBareGlyph(bool isDark, int scale);

// Both scales in one icon.
QIcon makeIcon(const IconKey& key);

} // namespace quillo::StatusIconBuilder
