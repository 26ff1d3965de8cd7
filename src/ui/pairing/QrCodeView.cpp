// SPDX-License-Identifier: GPL-3.0-or-later
#include "QrCodeView.h"

#include "theme/Fonts.h"
#include "theme/Oklch.h"

#include <QPainter>

#include <algorithm>

namespace quillo {

QrCodeView::QrCodeView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("qrCode"));
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QrCodeView::setText(const QString& text) {
    text_ = text;
    code_ = text.isEmpty() ? std::nullopt : QrCode::encode(text);
    setAccessibleName(text);
    update();
}

QSize QrCodeView::sizeHint() const {
    return {panelSide + 2 * shadowRoom, panelSide + 2 * shadowRoom};
}

void QrCodeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::max(0, std::min(width(), height()) - 2 * shadowRoom);
    const QRectF panel((width() - side) / 2.0, (height() - side) / 2.0, side, side);

    // Shadow: black at half opacity, blurred over 8 points, as layers that fade
    // outwards.
    painter.setPen(Qt::NoPen);
    constexpr int layers = shadowRoom;
    for (int i = layers; i >= 1; --i) {
        painter.setBrush(oklch(0.04, 0, 0, 0.5 * 0.18 * (layers - i + 1) / layers));
        painter.drawRoundedRect(panel.adjusted(-i, -i, i, i), panelRadius + i, panelRadius + i);
    }
    painter.setBrush(oklch(0.96, 0.005, 250));
    painter.drawRoundedRect(panel, panelRadius, panelRadius);

    const QRectF content = panel.adjusted(inset, inset, -inset, -inset);
    if (code_) {
        // Whole pixels per module, centred: a scaled, smoothed code blurs its
        // edges and cameras read it worse.
        painter.setRenderHint(QPainter::Antialiasing, false);
        const int module = std::max(1, static_cast<int>(content.width()) / code_->size());
        const int codeSide = module * code_->size();
        const int left = static_cast<int>(content.left() + (content.width() - codeSide) / 2);
        const int top = static_cast<int>(content.top() + (content.height() - codeSide) / 2);
        for (int y = 0; y < code_->size(); ++y) {
            for (int x = 0; x < code_->size(); ++x) {
                if (code_->isDark(x, y)) {
                    painter.fillRect(left + x * module, top + y * module, module, module,
                                     Qt::black);
                }
            }
        }
        return;
    }
    painter.setFont(Fonts::monospaced(10, QFont::DemiBold));
    painter.setPen(oklch(0.18, 0.01, 250));
    painter.drawText(content, Qt::AlignCenter | Qt::TextWrapAnywhere, text_);
}

} // namespace quillo
