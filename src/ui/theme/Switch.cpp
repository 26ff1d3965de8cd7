// SPDX-License-Identifier: GPL-3.0-or-later
#include "Switch.h"

#include "Oklch.h"
#include "Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace quillo {

namespace {

constexpr double knobInset = 3;

// Off, these carry the control: against the card (about oklch 0.2) the knob
// stands out about 7:1 and the outline over 3:1.
QColor offKnob() {
    return Theme::fgMuted();
}

QColor offOutline() {
    return Theme::fgDim();
}

} // namespace

Switch::Switch(QWidget* parent) : QCheckBox(parent) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

QSize Switch::sizeHint() const {
    // Room for the focus ring around the track.
    return {trackWidth + 4, trackHeight + 4};
}

bool Switch::hitButton(const QPoint& position) const {
    return rect().contains(position);
}

void Switch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) {
        painter.setOpacity(0.45);
    }
    const bool on = isChecked();
    const bool hovered = underMouse() && isEnabled();
    const QRectF track((width() - trackWidth) / 2.0, (height() - trackHeight) / 2.0, trackWidth,
                       trackHeight);
    const double radius = trackHeight / 2.0;

    if (hasFocus()) {
        QColor ring = Theme::accent();
        ring.setAlphaF(0.55);
        painter.setPen(QPen(ring, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }

    const QRectF inner = track.adjusted(0.75, 0.75, -0.75, -0.75);
    if (on) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(hovered ? oklch(0.78, 0.14, 240) : Theme::accent());
    } else {
        painter.setPen(QPen(offOutline(), 1.5));
        painter.setBrush(hovered ? oklch(0.3, 0.012, 250) : oklch(0.25, 0.012, 250));
    }
    painter.drawRoundedRect(inner, inner.height() / 2, inner.height() / 2);

    const double knob = trackHeight - 2 * knobInset;
    const double x = on ? track.right() - knobInset - knob : track.left() + knobInset;
    painter.setPen(Qt::NoPen);
    painter.setBrush(on ? Theme::fg() : offKnob());
    painter.drawEllipse(QRectF(x, track.top() + knobInset, knob, knob));
}

} // namespace quillo
