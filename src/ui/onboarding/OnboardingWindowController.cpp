// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnboardingWindowController.h"

#include "OnboardingView.h"
#include "platform/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>

namespace quillo {

OnboardingWindowController::OnboardingWindowController(SettingsServices services,
                                                       std::function<void(bool)> setLaunchAtLogin)
    : services_(std::move(services)), setLaunchAtLogin_(std::move(setLaunchAtLogin)) {
    Q_ASSERT(services_.settings != nullptr);
}

OnboardingWindowController::~OnboardingWindowController() {
    delete window_.data();
}

void OnboardingWindowController::show(bool force) {
    if (!force && services_.settings->boolean(completedKey)) {
        return;
    }
    if (force && window_ != nullptr) {
        // Again from the start, with a fresh plan.
        window_->close();
        delete window_.data();
    }
    if (window_ == nullptr) {
        auto* view = new OnboardingView(services_, [this] { finish(); });
        view->setWindowFlag(Qt::Window);
        view->setWindowTitle(QStringLiteral("Quillo"));
        // Closing hides the window; the next show brings the same one back.
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), view->size());
            frame.moveCenter(screen->availableGeometry().center());
            view->move(frame.topLeft());
        }
        window_ = view;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

bool OnboardingWindowController::isVisible() const {
    return window_ != nullptr && window_->isVisible();
}

OnboardingView* OnboardingWindowController::view() const {
    return window_;
}

void OnboardingWindowController::finish() {
    services_.settings->setBoolean(completedKey, true);
    applyDefaultLaunchAtLoginIfNeeded();
    if (window_ != nullptr) {
        window_->close();
    }
}

void OnboardingWindowController::applyDefaultLaunchAtLoginIfNeeded() {
    // Once ever: a user who turns it off later keeps it off. Without a way
    // to switch it, nothing is recorded, so that it happens once there is one.
    // From a build folder the autostart entry would point at a program that
    // `make clean` removes; an installed copy switches it on at its own first
    // finish.
    if (!setLaunchAtLogin_ || services_.buildFolder ||
        services_.settings->boolean(launchAtLoginAppliedKey)) {
        return;
    }
    services_.settings->setBoolean(launchAtLoginAppliedKey, true);
    setLaunchAtLogin_(true);
}

} // namespace quillo
