// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusPill.h"

#include "Fonts.h"
#include "Oklch.h"
#include "Theme.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace quillo {

namespace {

constexpr double horizontalPadding = 9;
constexpr double verticalPadding = 4;
constexpr double dotSize = 6;
constexpr double dotSpacing = 5;

QFont pillFont() {
    QFont font = Fonts::ui(10.5, QFont::Medium);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.42);
    return font;
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

StatusPill::Colors StatusPill::colorsFor(Style style) {
    // The hairline is the text colour, faint.
    switch (style) {
    case Style::online:
        return {Theme::statusActive(), Theme::statusActive(), oklch(0.3, 0.06, 150, 0.3),
                withAlpha(Theme::statusActive(), 0.28)};
    case Style::offline:
        return {Theme::fgDim(), Theme::fgFaint(), oklch(0.22, 0.005, 250, 0.5),
                withAlpha(Theme::fgDim(), 0.22)};
    case Style::neutral:
        return {Theme::fgMuted(), Theme::fgFaint(), oklch(0.22, 0.005, 250, 0.5),
                withAlpha(Theme::fgMuted(), 0.2)};
    case Style::danger:
        return {oklch(0.85, 0.14, 25), Theme::statusPerm(), oklch(0.3, 0.1, 25, 0.3),
                withAlpha(Theme::statusPerm(), 0.35)};
    case Style::warning:
        return {Theme::statusInput(), Theme::statusInput(), oklch(0.3, 0.06, 75, 0.3),
                withAlpha(Theme::statusInput(), 0.28)};
    }
    return colorsFor(Style::neutral);
}

StatusPill::StatusPill(QString text, Style style, bool withDot, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), style_(style), withDot_(withDot) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text_);
}

void StatusPill::setText(const QString& text) {
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

void StatusPill::setStyle(Style style) {
    style_ = style;
    update();
}

QSize StatusPill::sizeHint() const {
    const QFontMetricsF metrics(pillFont());
    double width = 2 * horizontalPadding + metrics.horizontalAdvance(text_);
    if (withDot_) {
        width += dotSize + dotSpacing;
    }
    const double height = 2 * verticalPadding + metrics.height();
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

void StatusPill::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void StatusPill::paintEvent(QPaintEvent*) {
    const Colors colors = colorsFor(style_);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = capsule.height() / 2;
    painter.setPen(QPen(colors.outline, 1));
    painter.setBrush(colors.fill);
    painter.drawRoundedRect(capsule, radius, radius);

    double x = horizontalPadding;
    if (withDot_) {
        const QPointF centre(x + dotSize / 2, capsule.center().y());
        QRadialGradient glow(centre, dotSize);
        glow.setColorAt(0.5, withAlpha(colors.dot, 0.6));
        glow.setColorAt(1, withAlpha(colors.dot, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(centre, dotSize, dotSize);
        painter.setBrush(colors.dot);
        painter.drawEllipse(centre, dotSize / 2, dotSize / 2);
        x += dotSize + dotSpacing;
    }
    painter.setFont(pillFont());
    painter.setPen(colors.text);
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, text_);
}

} // namespace quillo
