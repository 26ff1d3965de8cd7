// SPDX-License-Identifier: GPL-3.0-or-later
#include "AmbientBackground.h"

#include "Oklch.h"
#include "Theme.h"

#include <QPainter>
#include <QRadialGradient>

namespace quillo {

namespace {

constexpr double glowRadius = 360;

void paintGlow(QPainter& painter, const QRectF& area, QPointF centre, QColor color) {
    QColor clear = color;
    clear.setAlphaF(0);
    QRadialGradient gradient(centre, glowRadius);
    gradient.setColorAt(0, color);
    gradient.setColorAt(1, clear);
    painter.fillRect(area, gradient);
}

} // namespace

AmbientBackground::AmbientBackground(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AmbientBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF area = rect();
    painter.fillRect(area, Theme::bgDeepest());
    paintGlow(painter, area, {area.width() * 0.2, 0}, oklch(0.22, 0.02, 240, 0.6));
    paintGlow(painter, area, {area.width(), area.height()}, oklch(0.2, 0.015, 260, 0.5));
}

} // namespace quillo
