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
// `outlined` draws the light glyph with a dark edge, which reads on light and
// dark trays alike, for when nobody said which the tray is.
void drawTwinBeaconsGlyph(QPainter& painter, QSizeF canvas, bool isDark, bool outlined = false);
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

// The icon drawn afresh into `pixels` (device pixels; the canvas scaled to fit
// and centred), so that a tray asking for 22 × 22 gets sharp lines and digits
// rather than a resampled 24 × 20.
QImage drawIcon(const IconKey& key, QSize pixels, double devicePixelRatio = 1);

// An icon that draws itself at whatever size it is asked for, and offers 22 ×
// 22 (XEmbed trays), 24 × 20 and 48 × 40 (scale 2) to trays that pick one.
QIcon makeIcon(const IconKey& key);

} // namespace quillo::StatusIconBuilder
