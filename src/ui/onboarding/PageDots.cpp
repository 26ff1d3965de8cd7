// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageDots.h"

#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace quillo {

PageDots::PageDots(int current, QWidget* parent)
    : QWidget(parent), current_(current), animation_(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("pageDots"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int i = 0; i < count; ++i) {
        widths_[i] = i == current_ ? currentWidth : otherWidth;
    }
    // A spring of response 0.3 s with little overshoot.
    animation_->setDuration(300);
    animation_->setEasingCurve(QEasingCurve(QEasingCurve::OutBack));
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double t = value.toDouble();
        for (int i = 0; i < count; ++i) {
            const double target = i == current_ ? currentWidth : otherWidth;
            widths_[i] = from_[i] + (target - from_[i]) * t;
        }
        update();
    });
    setAccessibleName(
        QCoreApplication::translate("PageDots", "第 %1 页，共 %2 页").arg(current_ + 1).arg(count));
}

void PageDots::setCurrent(int current) {
    if (current == current_) {
        return;
    }
    current_ = current;
    from_ = widths_;
    setAccessibleName(
        QCoreApplication::translate("PageDots", "第 %1 页，共 %2 页").arg(current_ + 1).arg(count));
    animation_->stop();
    if (!isVisible()) {
        // Nothing to see move: take the new widths at once.
        for (int i = 0; i < count; ++i) {
            widths_[i] = i == current_ ? currentWidth : otherWidth;
        }
        update();
        return;
    }
    animation_->start();
}

QSize PageDots::sizeHint() const {
    const double width = currentWidth + (count - 1) * (otherWidth + spacing);
    return {static_cast<int>(std::ceil(width)) + 4, static_cast<int>(height) + 2};
}

void PageDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    double total = spacing * (count - 1);
    for (double width : widths_) {
        total += width;
    }
    double x = (width() - total) / 2;
    const double y = (QWidget::height() - height) / 2;
    for (int i = 0; i < count; ++i) {
        painter.setBrush(i == current_ ? Theme::fg() : oklch(0.35, 0.012, 250));
        painter.drawRoundedRect(QRectF(x, y, widths_[i], height), height / 2, height / 2);
        x += widths_[i] + spacing;
    }
}

} // namespace quillo
