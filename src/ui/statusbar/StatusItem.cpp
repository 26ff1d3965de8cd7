// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusItem.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quillo {

TrayStatusItem::TrayStatusItem(QObject* parent)
    : StatusItem(parent), tray_(new QSystemTrayIcon(this)), hostWatch_(new QTimer(this)) {
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) {
            emit clicked();
        }
    });
    hostWatch_->setInterval(5000);
    connect(hostWatch_, &QTimer::timeout, this, &TrayStatusItem::showWhenHosted);
}

TrayStatusItem::~TrayStatusItem() = default;

void TrayStatusItem::showWhenHosted() {
    if (tray_->isVisible()) {
        return;
    }
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_->show();
        hostWatch_->stop();
    } else {
        hostWatch_->start();
    }
}

void TrayStatusItem::setImage(const QIcon& icon) {
    tray_->setIcon(icon);
    // Shown once it has an image to show.
    showWhenHosted();
}

bool TrayStatusItem::canBeSeen() const {
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !tray_->isVisible()) {
        return false;
    }
    // Where the tray gives a position, it has to lie on a screen.
    if (auto where = geometry()) {
        return QGuiApplication::screenAt(where->center()) != nullptr;
    }
    return true;
}

std::optional<QRect> TrayStatusItem::geometry() const {
    const QRect where = tray_->geometry();
    if (where.isEmpty()) {
        return std::nullopt;
    }
    return where;
}

} // namespace quillo
