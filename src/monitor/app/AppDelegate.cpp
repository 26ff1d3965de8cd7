// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppDelegate.h"

#include "platform/SettingsStore.h"

namespace quillo {

AppDelegate::AppDelegate(AppParts& parts, const SettingsStore& settings, Clock clock, Later later,
                         QObject* parent)
    : QObject(parent), parts_(parts), settings_(settings), clock_(std::move(clock)),
      later_(std::move(later)) {
    if (!clock_) {
        clock_ = &std::chrono::steady_clock::now;
    }
    if (!later_) {
        later_ = [](std::chrono::milliseconds delay, QObject* context,
                    std::function<void()> action) {
            QTimer::singleShot(delay, context, std::move(action));
        };
    }
    pruneTimer_.setInterval(pruneInterval);
    pruneTimer_.setTimerType(Qt::CoarseTimer);
    connect(&pruneTimer_, &QTimer::timeout, this, [this] { parts_.pruneDead(); });
}

AppDelegate::~AppDelegate() {
    applicationWillTerminate();
}

void AppDelegate::applicationDidFinishLaunching() {
    parts_.ensureAppSupportDirectory();
    parts_.startSoftwareUpdate();
    parts_.startTransportBridge();
    parts_.createStatusBar();
    parts_.startWatcher();
    if (!settings_.boolean(QString::fromLatin1(onboardingCompletedKey))) {
        parts_.showOnboarding();
    }
    parts_.pruneDead();
    startPruneTimer();
    parts_.startHookHealthMonitor();
    // Re-activation reaches handleAppBecameActive() from the one-instance
    // socket, which the entry point connects; it is ignored until now.
    QPointer<AppDelegate> self(this);
    parts_.onToggleShortcut([self] {
        if (!self || !self->parts_.hasStatusBar()) {
            return;
        }
        self->parts_.toggleDashboard(
            self->settings_.boolean(QString::fromLatin1(shortcutOpensAtMouseKey)));
    });
    bootstrapped_ = true;
    if (parts_.isOnboardingVisible()) {
        return;
    }
    later_(launchTriggerDelay, this, [self] {
        if (self) {
            self->triggerPassive();
        }
    });
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    parts_.stopWatcher();
    pruneTimer_.stop();
    parts_.stopTransportBridge();
}

void AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    if (!hasVisibleWindows) {
        triggerPassive();
    }
}

void AppDelegate::handleAppBecameActive() {
    if (bootstrapped_) {
        triggerPassive();
    }
}

void AppDelegate::startPruneTimer() {
    pruneTimer_.start();
}

void AppDelegate::triggerPassive() {
    const auto now = clock_();
    if (now <= passiveTriggerSuppressUntil_) {
        return;
    }
    if (parts_.isOnboardingVisible() || !parts_.hasStatusBar()) {
        return;
    }
    passiveTriggerSuppressUntil_ = now + passiveTriggerSuppression;
    if (!parts_.isDashboardVisible()) {
        parts_.toggleDashboard(false);
    }
}

} // namespace quillo
