// SPDX-License-Identifier: GPL-3.0-or-later
#include "DotIndicator.h"

#include "Theme.h"

#include <QPainter>
#include <QRadialGradient>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace quillo {

DotAnimation DotAnimation::forState(ProcessState state) {
    switch (state) {
    case ProcessState::active:
        return {
            Theme::statusActive(), Theme::statusActiveGlow(), 4, 1.7, 1.0, 1.06, 0.85, 1, false};
    case ProcessState::waitingInput:
        return {Theme::statusInput(), Theme::statusInputGlow(), 5, 0.8, 0.95, 1.1, 0.7, 1, false};
    case ProcessState::waitingPermission:
        return {Theme::statusPerm(), Theme::statusPermGlow(), 7, 0.45, 1.0, 1.18, 0.95, 1, false};
    case ProcessState::completed:
    case ProcessState::unknown:
        break;
    }
    return {Theme::statusUnknown(), Qt::transparent, 0, 0, 1, 1, 1, 1, true};
}

DotIndicator::DotIndicator(ProcessState state, double size, QWidget* parent)
    : QWidget(parent), state_(state), size_(size), animation_(DotAnimation::forState(state)) {
    pulse_ = new QVariantAnimation(this);
    pulse_->setStartValue(0.0);
    pulse_->setEndValue(1.0);
    pulse_->setEasingCurve(QEasingCurve::InOutSine);
    connect(pulse_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setPhase(value.toDouble()); });
    // Reverse at each end, for ever.
    connect(pulse_, &QVariantAnimation::finished, this, [this] {
        pulse_->setDirection(pulse_->direction() == QAbstractAnimation::Forward
                                 ? QAbstractAnimation::Backward
                                 : QAbstractAnimation::Forward);
        pulse_->start();
    });
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    updateAccessibleName();
}

void DotIndicator::updateAccessibleName() {
    const auto raw = rawValue(state_);
    setAccessibleName(QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size())));
}

void DotIndicator::setState(ProcessState state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    animation_ = DotAnimation::forState(state);
    updateAccessibleName();
    phase_ = 0;
    setFixedSize(sizeHint());
    if (isVisible()) {
        restartAnimation();
    }
    update();
}

void DotIndicator::setPhase(double phase) {
    phase_ = std::clamp(phase, 0.0, 1.0);
    update();
}

bool DotIndicator::isAnimating() const {
    return pulse_->state() == QAbstractAnimation::Running;
}

double DotIndicator::glowMargin() const {
    return std::ceil(size_ * (animation_.scaleMax - 1) / 2 + animation_.glowRadius);
}

QSize DotIndicator::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_ + 2 * glowMargin()));
    return {side, side};
}

void DotIndicator::restartAnimation() {
    pulse_->stop();
    if (animation_.isStatic || animation_.duration <= 0) {
        return;
    }
    pulse_->setDirection(QAbstractAnimation::Forward);
    pulse_->setDuration(static_cast<int>(animation_.duration * 1000));
    pulse_->start();
}

void DotIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    restartAnimation();
}

void DotIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pulse_->stop();
}

void DotIndicator::paintEvent(QPaintEvent*) {
    const auto& a = animation_;
    const double scale = a.scaleMin + (a.scaleMax - a.scaleMin) * phase_;
    const double opacity = a.opacityMin + (a.opacityMax - a.opacityMin) * phase_;
    const QPointF centre = QRectF(rect()).center();
    const double radius = size_ * scale / 2;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setOpacity(opacity);
    if (a.glowRadius > 0 && a.glow.alpha() > 0) {
        const double outer = radius + a.glowRadius;
        QRadialGradient glow(centre, outer);
        QColor faded = a.glow;
        faded.setAlphaF(0);
        QColor half = a.glow;
        half.setAlphaF(a.glow.alphaF() * 0.35f);
        glow.setColorAt(0, a.glow);
        glow.setColorAt(radius / outer, a.glow);
        glow.setColorAt((radius / outer + 1) / 2, half);
        glow.setColorAt(1, faded);
        painter.setBrush(glow);
        painter.drawEllipse(centre, outer, outer);
    }
    painter.setBrush(a.color);
    painter.drawEllipse(centre, radius, radius);
}

} // namespace quillo
