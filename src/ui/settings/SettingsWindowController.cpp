// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsWindowController.h"

#include "SettingsView.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace quillo {

namespace {

void centre(QWidget& window) {
    QScreen* screen =
        window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

} // namespace

SettingsWindowController::SettingsWindowController(const HookHealthMonitor& health,
                                                   SettingsServices services)
    : health_(health), services_(std::move(services)) {}

SettingsWindowController::~SettingsWindowController() {
    delete window_.data();
}

void SettingsWindowController::show() {
    if (window_ == nullptr) {
        // Titled, closable and minimisable; the size is fixed.
        auto* window =
            new QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                     Qt::WindowMinimizeButtonHint);
        window->setObjectName(QStringLiteral("settingsWindow"));
        window->setWindowTitle(
            QCoreApplication::translate("SettingsWindowController", "Quillo 设置"));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, Theme::bgDeepest());
        window->setPalette(palette);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new SettingsView(health_, [this](SettingsCategory category) {
            return makeSettingsPane(category, services_);
        });
        layout->addWidget(view_);
        window->setFixedSize(width, height);
        window_ = window;
        centre(*window);
    } else {
        centre(*window_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace quillo
