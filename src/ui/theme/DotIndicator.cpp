// SPDX-License-Identifier: GPL-3.0-or-later
#include "DotIndicator.h"

#include "FrameClock.h"
#include "Theme.h"

#include <QLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

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
    setAttribute(Qt::WA_TranslucentBackground);
    // Fixed by its policy in a layout; free to take another size with
    // another glow where its parent places it by hand.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(sizeHint());
    updateAccessibleName();
}

DotIndicator::~DotIndicator() {
    stopAnimation();
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
    resize(sizeHint());
    // A layout has to hear of the new size. A dot placed by hand does not
    // tell its parent: that would lay out the parent again, and every widget
    // around it, the whole dashboard list for a row's dot.
    if (isInLayout()) {
        updateGeometry();
    }
    if (isVisible()) {
        restartAnimation();
    }
    update();
}

bool DotIndicator::isInLayout() const {
    const std::function<bool(const QLayout*)> holds = [&](const QLayout* layout) {
        for (int i = 0; i < layout->count(); ++i) {
            QLayoutItem* item = layout->itemAt(i);
            if (item->widget() == this || (item->layout() != nullptr && holds(item->layout()))) {
                return true;
            }
        }
        return false;
    };
    return parentWidget() != nullptr && parentWidget()->layout() != nullptr &&
           holds(parentWidget()->layout());
}

void DotIndicator::setPhase(double phase) {
    phase_ = std::clamp(phase, 0.0, 1.0);
    update();
}

bool DotIndicator::isAnimating() const {
    return clock_ != nullptr && clock_->isAttached(this);
}

void DotIndicator::setOnScreen(bool onScreen) {
    if (onScreen == onScreen_) {
        return;
    }
    onScreen_ = onScreen;
    if (onScreen_ && isVisible()) {
        restartAnimation();
    } else {
        stopAnimation();
    }
}

double DotIndicator::glowMargin() const {
    return std::ceil(size_ * (animation_.scaleMax - 1) / 2 + animation_.glowRadius);
}

QSize DotIndicator::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_ + 2 * glowMargin()));
    return {side, side};
}

void DotIndicator::restartAnimation() {
    stopAnimation();
    if (animation_.isStatic || animation_.duration <= 0 || !onScreen_) {
        return;
    }
    setPhase(0);
    // The window's clock: its dots repaint together, in one frame.
    clock_ = &FrameClock::of(window());
    startedAt_ = clock_->now();
    clock_->attach(this, [this] { advance(); });
}

void DotIndicator::stopAnimation() {
    if (clock_ != nullptr) {
        clock_->detach(this);
        clock_ = nullptr;
    }
}

void DotIndicator::advance() {
    // Eased in and out over `duration`, then back the same way, for ever.
    const double elapsed =
        static_cast<double>((clock_->now() - startedAt_).count()) / (animation_.duration * 1000);
    const double breath = std::fmod(elapsed, 2.0);
    const double linear = breath <= 1 ? breath : 2 - breath;
    setPhase(0.5 - 0.5 * std::cos(std::numbers::pi * linear));
}

void DotIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    restartAnimation();
}

void DotIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stopAnimation();
}

void DotIndicator::setOpacity(double opacity) {
    if (opacity != opacity_) {
        opacity_ = opacity;
        update();
    }
}

void DotIndicator::paintEvent(QPaintEvent*) {
    // The dot is drawn once for each of a few hundred steps of its breath and
    // kept in the shared pixmap cache: every frame of a breathing dot would
    // otherwise fill two antialiased gradients.
    QPainter painter(this);
    // The device's own ratio: a render at another scale than the screen's
    // draws into an image of that scale.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    const int step = static_cast<int>(std::lround(phase_ * phaseSteps));
    const QString key = QStringLiteral("quillo.dot:%1:%2:%3:%4:%5")
                            .arg(static_cast<int>(state_))
                            .arg(size_)
                            .arg(opacity_)
                            .arg(ratio)
                            .arg(step);
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(size() * ratio);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        QPainter onPixmap(&drawn);
        draw(onPixmap, static_cast<double>(step) / phaseSteps);
        onPixmap.end();
        QPixmapCache::insert(key, drawn);
    }
    painter.drawPixmap(0, 0, drawn);
}

void DotIndicator::draw(QPainter& painter, double phase) const {
    const auto& a = animation_;
    const double scale = a.scaleMin + (a.scaleMax - a.scaleMin) * phase;
    const double opacity = a.opacityMin + (a.opacityMax - a.opacityMin) * phase;
    const QPointF centre = QRectF(rect()).center();
    const double radius = size_ * scale / 2;

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setOpacity(opacity * opacity_);
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
