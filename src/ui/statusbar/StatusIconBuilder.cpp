// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusIconBuilder.h"

#include "theme/Fonts.h"
#include "theme/Theme.h"

#include <QFontMetricsF>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace quillo::StatusIconBuilder {

namespace {

// The geometry below is designed with y growing upwards from the bottom edge.
QPointF up(QSizeF canvas, double x, double y) {
    return {x, canvas.height() - y};
}

QRectF upRect(QSizeF canvas, double x, double y, double width, double height) {
    return {x, canvas.height() - y - height, width, height};
}

QColor glyphColor(bool isDark) {
    return isDark ? QColor::fromRgbF(1, 1, 1, 0.92f) : QColor::fromRgbF(0, 0, 0, 0.85f);
}

// The cut-out around each overlay: the opposite of the glyph's colour.
QColor haloColor(bool isDark) {
    return isDark ? QColor::fromRgbF(0, 0, 0, 0.95f) : QColor::fromRgbF(1, 1, 1, 0.95f);
}

QPen strokePen(const QColor& color, double width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QFont badgeFont() {
    return Fonts::ui(9, QFont::ExtraBold);
}

void drawDot(QPainter& painter, const QRectF& dot, const QColor& color, bool isDark) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(haloColor(isDark));
    painter.drawEllipse(dot.adjusted(-1, -1, 1, 1));
    painter.setBrush(color);
    painter.drawEllipse(dot);
}

} // namespace

void drawTwinBeaconsGlyph(QPainter& painter, QSizeF canvas, bool isDark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QColor color = glyphColor(isDark);

    painter.setPen(strokePen(color, 1.55));
    painter.drawEllipse(upRect(canvas, 4.5, 7.3, 5.4, 5.4));
    painter.drawEllipse(upRect(canvas, 14.1, 7.3, 5.4, 5.4));

    painter.setPen(strokePen(color, 1.35));
    painter.drawLine(up(canvas, 9.9, 10), up(canvas, 14.1, 10));

    painter.setPen(strokePen(color, 1.15));
    QPainterPath upper(up(canvas, 5.2, 14.4));
    upper.cubicTo(up(canvas, 7, 16.1), up(canvas, 9.2, 17), up(canvas, 12, 17));
    upper.cubicTo(up(canvas, 14.8, 17), up(canvas, 17, 16.1), up(canvas, 18.8, 14.4));
    painter.drawPath(upper);
    QPainterPath lower(up(canvas, 5.2, 5.6));
    lower.cubicTo(up(canvas, 7, 3.9), up(canvas, 9.2, 3), up(canvas, 12, 3));
    lower.cubicTo(up(canvas, 14.8, 3), up(canvas, 17, 3.9), up(canvas, 18.8, 5.6));
    painter.drawPath(lower);
    painter.restore();
}

QString badgeText(int count) {
    return count > 9 ? QStringLiteral("9+") : QString::number(count);
}

QRectF badgeRect(int count, QSizeF canvas) {
    const QFontMetricsF metrics(badgeFont());
    const double textWidth = metrics.horizontalAdvance(badgeText(count));
    const double width = std::max(textWidth + 6, 12.0);
    return upRect(canvas, canvas.width() - width - 1, canvas.height() - 11 - 1, width, 11);
}

QRectF errorDotRect(QSizeF canvas) {
    return upRect(canvas, canvas.width() - 7 - 1, canvas.height() - 7 - 1, 7, 7);
}

QRectF connectedDotRect(QSizeF canvas) {
    return upRect(canvas, canvas.width() - 7 - 1, 1, 7, 7);
}

void drawNumberBadge(QPainter& painter, int count, QSizeF canvas, bool isDark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF badge = badgeRect(count, canvas);
    const QRectF halo = badge.adjusted(-1, -1, 1, 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(haloColor(isDark));
    painter.drawRoundedRect(halo, halo.height() / 2, halo.height() / 2);
    painter.setBrush(Theme::statusInput());
    painter.drawRoundedRect(badge, 5.5, 5.5);

    const QFont font = badgeFont();
    const QFontMetricsF metrics(font);
    const QString text = badgeText(count);
    const double textWidth = metrics.horizontalAdvance(text);
    const double textHeight = metrics.height();
    // Half a point above the centre, as the badge was designed.
    const QRectF textBox(badge.center().x() - textWidth / 2,
                         badge.center().y() - textHeight / 2 - 0.5, textWidth, textHeight);
    painter.setFont(font);
    painter.setPen(QColor::fromRgbF(0.1f, 0.06f, 0, 1));
    painter.drawText(textBox, Qt::AlignCenter, text);
    painter.restore();
}

void drawErrorDot(QPainter& painter, QSizeF canvas, bool isDark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    drawDot(painter, errorDotRect(canvas), Theme::statusPerm(), isDark);
    painter.restore();
}

void drawConnectedDot(QPainter& painter, QSizeF canvas, bool isDark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    drawDot(painter, connectedDotRect(canvas), Theme::statusActive(), isDark);
    painter.restore();
}

namespace {

QImage blankCanvas(int scale) {
    QImage image(static_cast<int>(canvasWidth) * scale, static_cast<int>(canvasHeight) * scale,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage drawBareGlyph(bool isDark, int scale) {
    QImage image = blankCanvas(scale);
    QPainter painter(&image);
    drawTwinBeaconsGlyph(painter, {canvasWidth, canvasHeight}, isDark);
    return image;
}

QImage drawIcon(const IconKey& key, int scale) {
    QImage image = blankCanvas(scale);
    QPainter painter(&image);
    const QSizeF canvas(canvasWidth, canvasHeight);
    drawTwinBeaconsGlyph(painter, canvas, key.isDark);
    switch (overlayFor(key)) {
    case IconOverlay::badge:
        drawNumberBadge(painter, key.waitingCount, canvas, key.isDark);
        break;
    case IconOverlay::badgeWithErrorDot:
        drawNumberBadge(painter, key.waitingCount, canvas, key.isDark);
        drawErrorDot(painter, canvas, key.isDark);
        break;
    case IconOverlay::errorDot:
        drawErrorDot(painter, canvas, key.isDark);
        break;
    case IconOverlay::connectedDot:
        drawConnectedDot(painter, canvas, key.isDark);
        break;
    case IconOverlay::none:
        break;
    }
    return image;
}

QIcon makeIcon(const IconKey& key) {
    QIcon icon;
    for (int scale : {1, 2}) {
        icon.addPixmap(QPixmap::fromImage(drawIcon(key, scale)));
    }
    return icon;
}

} // namespace quillo::StatusIconBuilder
