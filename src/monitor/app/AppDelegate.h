// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

namespace quillo {

class SettingsStore;

// The long-lived pieces of the monitor as the delegate starts and stops them.
// The desktop monitor has them all; the headless one has no status bar, no
// onboarding and no hot key (those steps do nothing there).
class AppParts {
public:
    virtual ~AppParts() = default;

    virtual void ensureAppSupportDirectory() = 0;
    virtual void startSoftwareUpdate() = 0;
    virtual void startTransportBridge() = 0;
    virtual void createStatusBar() = 0;
    virtual void startWatcher() = 0;
    virtual void showOnboarding() = 0;
    virtual void pruneDead() = 0;
    virtual void startHookHealthMonitor() = 0;
    // Installs the key-down action of the dashboard's global shortcut.
    virtual void onToggleShortcut(std::function<void()> action) = 0;

    virtual void stopWatcher() = 0;
    virtual void stopTransportBridge() = 0;

    virtual bool isOnboardingVisible() const = 0;
    virtual bool hasStatusBar() const = 0;
    virtual bool isDashboardVisible() const = 0;
    virtual void toggleDashboard(bool preferMouseOrigin) = 0;
};

// The composition root of the monitor: starts the parts in a fixed order,
// opens the dashboard once when the monitor is launched or launched again, and
// stops the watcher and the phone link when the application quits. Everything
// runs on the main thread.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Schedules `action` after a delay; a test may run it when it likes.
    using Later = std::function<void(std::chrono::milliseconds, QObject* context,
                                     std::function<void()> action)>;

    static constexpr const char* onboardingCompletedKey = "quillo.onboardingCompleted";
    static constexpr const char* shortcutOpensAtMouseKey = "quillo.shortcutOpensAtMouse";
    static constexpr std::chrono::milliseconds launchTriggerDelay{200};
    static constexpr std::chrono::milliseconds passiveTriggerSuppression{500};
    static constexpr std::chrono::milliseconds pruneInterval{30000};
    static constexpr double staleAfterSeconds = 300;

    AppDelegate(AppParts& parts, const SettingsStore& settings, Clock clock = {}, Later later = {},
                QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence, after the command-line modes had nothing to do.
    void applicationDidFinishLaunching();
    // The shutdown sequence; safe to call more than once.
    void applicationWillTerminate();

    // The application was launched again: with no window on screen, the
    // dashboard opens (once, whatever else arrives within half a second).
    void applicationShouldHandleReopen(bool hasVisibleWindows);
    // The application became active; ignored until start-up has finished.
    void handleAppBecameActive();

    bool bootstrapped() const { return bootstrapped_; }
    const QTimer& pruneTimer() const { return pruneTimer_; }
    // The prune timer's interval; tests that watch a killed session go use a
    // shorter one.
    void setPruneInterval(std::chrono::milliseconds interval) { pruneTimer_.setInterval(interval); }

private:
    void startPruneTimer();
    void triggerPassive();

    AppParts& parts_;
    const SettingsStore& settings_;
    Clock clock_;
    Later later_;
    QTimer pruneTimer_;
    bool bootstrapped_ = false;
    bool terminated_ = false;
    std::chrono::steady_clock::time_point passiveTriggerSuppressUntil_{};
};

} // namespace quillo
