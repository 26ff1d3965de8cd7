// SPDX-License-Identifier: GPL-3.0-or-later
#include "SurfaceCard.h"

#include "Oklch.h"
#include "Theme.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace quillo {

SurfaceCard::SurfaceCard(QWidget* parent, int padding) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(padding, padding, padding, padding + shadowRoom);
    layout_->setSpacing(0);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SurfaceCard::addWidget(QWidget* widget) {
    layout_->addWidget(widget);
}

QRectF SurfaceCard::cardRect() const {
    return QRectF(rect()).adjusted(0, 0, 0, -shadowRoom);
}

void SurfaceCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = cardRect();

    // Shadow: offset 4 down, blurred over 6 points, drawn as layers that fade
    // outwards.
    painter.setPen(Qt::NoPen);
    const QColor shadow = Theme::cardOuterShadow3();
    constexpr int layers = 6;
    for (int i = layers; i >= 1; --i) {
        QColor layer = shadow;
        layer.setAlphaF(shadow.alphaF() * 0.22f * static_cast<float>(layers - i + 1) / layers);
        const double grow = i;
        painter.setBrush(layer);
        painter.drawRoundedRect(card.translated(0, 4).adjusted(-grow, -grow, grow, grow),
                                cornerRadius + grow, cornerRadius + grow);
    }

    QLinearGradient fill(card.topLeft(), card.bottomLeft());
    fill.setColorAt(0, oklch(0.21, 0.011, 250));
    fill.setColorAt(1, oklch(0.18, 0.01, 250));
    painter.setBrush(fill);
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);

    // Hairline inside the edge.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::cardHighlightSoft(), 1));
    painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);
}

} // namespace quillo
