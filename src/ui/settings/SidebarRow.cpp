// SPDX-License-Identifier: GPL-3.0-or-later
#include "SidebarRow.h"

#include "theme/Fonts.h"
#include "theme/Oklch.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QPainter>
#include <QRadialGradient>

namespace quillo {

namespace {

constexpr double symbolPoints = 13;
constexpr double symbolFrame = 16;
constexpr double labelPoints = 12.5;
constexpr double badgeSize = 7;
constexpr double badgeGlow = 3;
constexpr int rowHeight = 30;
constexpr double horizontalPadding = 10;
constexpr double iconSpacing = 8;

} // namespace

SidebarRow::SidebarRow(SettingsCategory category, QWidget* parent)
    : QAbstractButton(parent), category_(category) {
    setObjectName(QStringLiteral("sidebarRow-") + QString::fromLatin1(rawValue(category).data()));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setText(label(category));
    updateAccessibleName();
}

void SidebarRow::setSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        update();
    }
}

void SidebarRow::setShowsBadge(bool shows) {
    if (showsBadge_ != shows) {
        showsBadge_ = shows;
        updateAccessibleName();
        update();
    }
}

void SidebarRow::updateAccessibleName() {
    // The badge means the hooks need repair; a screen reader should say so.
    setAccessibleName(showsBadge_ ? text() + QStringLiteral(" · ") +
                                        QCoreApplication::translate("SidebarRow", "需要修复")
                                  : text());
}

QSize SidebarRow::sizeHint() const {
    return {160, rowHeight};
}

void SidebarRow::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SidebarRow::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SidebarRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    if (selected_) {
        painter.setPen(QPen(Theme::cardHighlightSoft(), 1));
        painter.setBrush(oklch(0.24, 0.014, 250));
        painter.drawRoundedRect(area, 7, 7);
    } else if (hovered_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(oklch(0.2, 0.01, 250, 0.8));
        painter.drawRoundedRect(area, 7, 7);
    }

    const QColor symbolColor = selected_ ? Theme::accent() : Theme::fgDim();
    const QColor textColor = selected_ ? Theme::fg() : Theme::fgMuted();
    double x = horizontalPadding;
    Symbols::paint(painter, QRectF(x, 0, symbolFrame, height()), symbolName(category_),
                   symbolPoints, symbolColor);
    x += symbolFrame + iconSpacing;

    double textRight = width() - horizontalPadding;
    if (showsBadge_) {
        const QPointF centre(width() - horizontalPadding - badgeSize / 2, height() / 2.0);
        QColor clear = Theme::statusPermGlow();
        clear.setAlphaF(0);
        QRadialGradient glow(centre, badgeSize / 2 + badgeGlow);
        glow.setColorAt(0.5, Theme::statusPermGlow());
        glow.setColorAt(1, clear);
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(centre, badgeSize / 2 + badgeGlow, badgeSize / 2 + badgeGlow);
        painter.setBrush(Theme::statusPerm());
        painter.drawEllipse(centre, badgeSize / 2, badgeSize / 2);
        textRight -= badgeSize + 8;
    }

    painter.setFont(Fonts::ui(labelPoints, selected_ ? QFont::Medium : QFont::Normal));
    painter.setPen(textColor);
    const QRectF textRect(x, 0, textRight - x, height());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(text(), Qt::ElideRight,
                                                      static_cast<int>(textRect.width())));
}

} // namespace quillo
