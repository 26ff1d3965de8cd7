// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusIconBuilder.h"

#include "theme/Fonts.h"
#include "theme/Theme.h"

#include <QFontMetricsF>
#include <QIcon>
#include <QIconEngine>
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

void drawTwinBeaconsGlyph(QPainter& painter, QSizeF canvas, bool isDark, bool outlined) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);

    QPainterPath upper(up(canvas, 5.2, 14.4));
    upper.cubicTo(up(canvas, 7, 16.1), up(canvas, 9.2, 17), up(canvas, 12, 17));
    upper.cubicTo(up(canvas, 14.8, 17), up(canvas, 17, 16.1), up(canvas, 18.8, 14.4));
    QPainterPath lower(up(canvas, 5.2, 5.6));
    lower.cubicTo(up(canvas, 7, 3.9), up(canvas, 9.2, 3), up(canvas, 12, 3));
    lower.cubicTo(up(canvas, 14.8, 3), up(canvas, 17, 3.9), up(canvas, 18.8, 5.6));
    // `extra` widens every stroke: the outline is the glyph drawn wider below it.
    auto strokes = [&](const QColor& color, double extra) {
        painter.setPen(strokePen(color, 1.55 + extra));
        painter.drawEllipse(upRect(canvas, 4.5, 7.3, 5.4, 5.4));
        painter.drawEllipse(upRect(canvas, 14.1, 7.3, 5.4, 5.4));
        painter.setPen(strokePen(color, 1.35 + extra));
        painter.drawLine(up(canvas, 9.9, 10), up(canvas, 14.1, 10));
        painter.setPen(strokePen(color, 1.15 + extra));
        painter.drawPath(upper);
        painter.drawPath(lower);
    };
    if (outlined) {
        strokes(QColor::fromRgbF(0, 0, 0, 0.7f), 1.6);
        strokes(glyphColor(true), 0);
    } else {
        strokes(glyphColor(isDark), 0);
    }
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

void drawKey(QPainter& painter, const IconKey& key) {
    const QSizeF canvas(canvasWidth, canvasHeight);
    // Unknown counts as dark (dark panels are the common case), with an
    // outline for the light ones.
    drawTwinBeaconsGlyph(painter, canvas, key.isDark, !key.isSchemeKnown);
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
}

// Draws the key at each size asked for.
class StatusIconEngine : public QIconEngine {
public:
    explicit StatusIconEngine(const IconKey& key) : key_(key) {}

    QIconEngine* clone() const override { return new StatusIconEngine(key_); }
    QString key() const override { return QStringLiteral("quillo-status-icon"); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const double ratio =
            painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1;
        const QImage image = drawIcon(key_, rect.size() * ratio, ratio);
        painter->drawImage(rect, image);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
        return QPixmap::fromImage(drawIcon(key_, size * scale, scale));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(22, 22), QSize(24, 20), QSize(48, 40)};
    }

private:
    IconKey key_;
};

} // namespace

QImage drawIcon(const IconKey& key, int scale) {
    QImage image = blankCanvas(scale);
    QPainter painter(&image);
    drawKey(painter, key);
    return image;
}

QImage drawIcon(const IconKey& key, QSize pixels, double devicePixelRatio) {
    QImage image(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const double scale = std::min(pixels.width() / canvasWidth, pixels.height() / canvasHeight);
    painter.translate((pixels.width() - canvasWidth * scale) / 2,
                      (pixels.height() - canvasHeight * scale) / 2);
    painter.scale(scale, scale);
    drawKey(painter, key);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QIcon makeIcon(const IconKey& key) {
    return QIcon(new StatusIconEngine(key));
}

} // namespace quillo::StatusIconBuilder
