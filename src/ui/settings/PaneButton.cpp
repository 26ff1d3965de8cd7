// SPDX-License-Identifier: GPL-3.0-or-later
#include "PaneButton.h"

#include "theme/Fonts.h"
#include "theme/Oklch.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QPainter>

#include <cmath>

namespace quillo {

namespace {

constexpr double horizontalPadding = 11;
constexpr double verticalPadding = 5;
constexpr double symbolPoints = 13;
constexpr double symbolWidth = 15;
constexpr double spacing = 5;
constexpr double radius = 7;

} // namespace

PaneButton::PaneButton(const QString& symbol, const QString& text, Look look, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), look_(look) {
    setText(text);
    setAccessibleName(text.isEmpty() ? symbol : text);
    setFont(Fonts::ui(12, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

QSize PaneButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    double width = 2 * horizontalPadding;
    if (!symbol_.isEmpty()) {
        width += symbolWidth;
    }
    if (!text().isEmpty()) {
        width += metrics.horizontalAdvance(text()) + (symbol_.isEmpty() ? 0 : spacing);
    }
    const double height = std::max(metrics.height(), symbolPoints * 1.15) + 2 * verticalPadding;
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

void PaneButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PaneButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void PaneButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool danger = look_ == Look::danger;
    const double lift = isDown() ? -0.03 : (hovered_ ? 0.02 : 0);
    const QColor fill = danger ? oklch(0.3 + lift, 0.1, 25, 0.45) : oklch(0.25 + lift, 0.012, 250);
    const QColor outline = danger ? oklch(0.6, 0.18, 25, 0.6) : Theme::cardHighlightSoft();
    const QColor ink = !isEnabled() ? Theme::fgFaint()
                       : danger     ? oklch(0.85, 0.14, 25)
                                    : Theme::fg();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(fill);
    painter.setPen(QPen(outline, 1));
    painter.drawRoundedRect(box, radius, radius);

    const QFontMetricsF metrics(font());
    double contentWidth = 0;
    if (!symbol_.isEmpty()) {
        contentWidth += symbolWidth;
    }
    if (!text().isEmpty()) {
        contentWidth += metrics.horizontalAdvance(text()) + (symbol_.isEmpty() ? 0 : spacing);
    }
    double x = (width() - contentWidth) / 2;
    if (!symbol_.isEmpty()) {
        Symbols::paint(painter, QRectF(x, 0, symbolWidth, height()), symbol_.toStdString(),
                       symbolPoints, ink);
        x += symbolWidth + spacing;
    }
    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(ink);
        painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         text());
    }
}

} // namespace quillo
