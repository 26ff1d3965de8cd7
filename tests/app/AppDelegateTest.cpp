// SPDX-License-Identifier: GPL-3.0-or-later
// The delegate's start-up and shutdown order, and when it opens the dashboard
// on its own, against recording parts and a clock the test moves.
#include "app/AppDelegate.h"
#include "app/DesktopParts.h"
#include "app/HeadlessParts.h"
#include "platform/SettingsStore.h"

#include "QtTestApp.h"
#include "ShortcutTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quillo {
namespace {

using namespace std::chrono_literals;

struct RecordingParts : AppParts {
    std::vector<std::string> calls;
    std::function<void()> shortcutAction;
    bool onboardingVisible = false;
    bool statusBar = false;
    bool dashboardVisible = false;
    std::vector<bool> toggles; // preferMouseOrigin of each toggle

    void ensureAppSupportDirectory() override { calls.push_back("appSupport"); }
    void startSoftwareUpdate() override { calls.push_back("updates"); }
    void startTransportBridge() override { calls.push_back("bridge"); }
    void createStatusBar() override {
        calls.push_back("statusBar");
        statusBar = true;
    }
    void startWatcher() override { calls.push_back("watcher"); }
    void showOnboarding() override {
        calls.push_back("onboarding");
        onboardingVisible = true;
    }
    void pruneDead() override { calls.push_back("prune"); }
    void startHookHealthMonitor() override { calls.push_back("health"); }
    void onToggleShortcut(std::function<void()> action) override {
        calls.push_back("shortcut");
        shortcutAction = std::move(action);
    }
    void stopWatcher() override { calls.push_back("stopWatcher"); }
    void stopTransportBridge() override { calls.push_back("stopBridge"); }
    bool isOnboardingVisible() const override { return onboardingVisible; }
    bool hasStatusBar() const override { return statusBar; }
    bool isDashboardVisible() const override { return dashboardVisible; }
    void toggleDashboard(bool preferMouseOrigin) override {
        toggles.push_back(preferMouseOrigin);
        dashboardVisible = !dashboardVisible;
    }
};

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override { test::widgetApp(); }

    std::unique_ptr<AppDelegate> make() {
        return std::make_unique<AppDelegate>(
            parts, settings, [this] { return now; },
            [this](std::chrono::milliseconds delay, QObject*, std::function<void()> action) {
                scheduled.emplace_back(delay, std::move(action));
            });
    }
    void completeOnboarding() {
        settings.setBoolean(QString::fromLatin1(AppDelegate::onboardingCompletedKey), true);
    }

    RecordingParts parts;
    MemorySettingsStore settings;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point(100s);
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;
};

TEST_F(AppDelegateTest, StartsInOrderAndStopsWatcherTimerAndBridgeOnce) {
    completeOnboarding();
    auto delegate = make();
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(parts.calls, (std::vector<std::string>{"appSupport", "updates", "bridge", "statusBar",
                                                     "watcher", "prune", "health", "shortcut"}));
    EXPECT_TRUE(delegate->bootstrapped());
    EXPECT_TRUE(delegate->pruneTimer().isActive());
    EXPECT_EQ(delegate->pruneTimer().interval(), 30000);

    parts.calls.clear();
    delegate->applicationWillTerminate();
    EXPECT_FALSE(delegate->pruneTimer().isActive());
    delegate.reset(); // the destructor does not stop anything twice
    EXPECT_EQ(parts.calls, (std::vector<std::string>{"stopWatcher", "stopBridge"}));
}

TEST_F(AppDelegateTest, TheLaunchOpensTheDashboardOnceUnlessOnboardingShows) {
    // First launch: the guide is on screen, nothing is scheduled, and the
    // dashboard does not open on its own while the guide shows.
    {
        auto delegate = make();
        delegate->applicationDidFinishLaunching();
        EXPECT_EQ(parts.calls[5], "onboarding") << "after the watcher, before the prune";
        EXPECT_TRUE(scheduled.empty());
        delegate->handleAppBecameActive();
        EXPECT_TRUE(parts.toggles.empty());
    }
    parts = RecordingParts{};
    completeOnboarding();
    auto delegate = make();
    delegate->applicationDidFinishLaunching();
    ASSERT_EQ(scheduled.size(), 1u);
    EXPECT_EQ(scheduled[0].first, 200ms);
    EXPECT_TRUE(parts.toggles.empty()) << "not before the delay";
    scheduled[0].second();
    EXPECT_EQ(parts.toggles, std::vector<bool>{false}) << "under the status item";

    // A second launch right after: re-open and re-activation both arrive
    // within half a second; the open dashboard stays open.
    now += 100ms;
    parts.dashboardVisible = false; // closed by the user meanwhile
    delegate->applicationShouldHandleReopen(false);
    delegate->handleAppBecameActive();
    EXPECT_EQ(parts.toggles.size(), 1u) << "suppressed within 0.5 s of the launch";

    now += 600ms;
    delegate->applicationShouldHandleReopen(false);
    delegate->handleAppBecameActive();
    EXPECT_EQ(parts.toggles.size(), 2u) << "opened once, not closed again";
    EXPECT_TRUE(parts.dashboardVisible);

    // Re-activated while open: it stays open, and the suppression moves on.
    now += 600ms;
    delegate->handleAppBecameActive();
    now += 400ms;
    parts.dashboardVisible = false;
    delegate->handleAppBecameActive();
    EXPECT_EQ(parts.toggles.size(), 2u);
    now += 200ms;
    delegate->handleAppBecameActive();
    EXPECT_EQ(parts.toggles.size(), 3u);
}

TEST_F(AppDelegateTest, ActivationBeforeStartUpAndReopenWithWindowsOpenNothing) {
    completeOnboarding();
    auto delegate = make();
    parts.statusBar = true; // even with a dashboard to open
    delegate->handleAppBecameActive();
    EXPECT_TRUE(parts.toggles.empty());
    delegate->applicationDidFinishLaunching();
    delegate->applicationShouldHandleReopen(true);
    EXPECT_TRUE(parts.toggles.empty());
    // The launch trigger is not suppressed by a re-open that did nothing.
    scheduled.at(0).second();
    EXPECT_EQ(parts.toggles.size(), 1u);
}

TEST_F(AppDelegateTest, TheShortcutTogglesWhereTheSettingSaysAndNotAfterTheDelegateIsGone) {
    completeOnboarding();
    auto delegate = make();
    delegate->applicationDidFinishLaunching();
    ASSERT_TRUE(parts.shortcutAction);
    parts.shortcutAction();
    settings.setBoolean(QString::fromLatin1(AppDelegate::shortcutOpensAtMouseKey), true);
    parts.shortcutAction();
    EXPECT_EQ(parts.toggles, (std::vector<bool>{false, true}));
    delegate.reset();
    parts.shortcutAction();
    scheduled.at(0).second();
    EXPECT_EQ(parts.toggles.size(), 2u);
}

// The headless monitor's output is the session table; the desktop monitor's
// goes to the desktop session's log, where a table on every change piles up.
TEST(MonitorOutput, OnlyTheHeadlessMonitorPrintsTheSessionTable) {
    test::widgetApp();
    MemorySettingsStore settings;
    ClaudeProcess session;
    session.id = "s1";
    session.name = "atlas";
    session.state = ProcessState::waitingInput;

    std::ostringstream headlessOut;
    {
        HeadlessParts headless(settings, headlessOut);
        emit headless.store().processesChanged({session});
    }
    EXPECT_NE(headlessOut.str().find("[quillo] 1 session: atlas"), std::string::npos)
        << headlessOut.str();

    std::ostringstream desktopOut;
    DesktopParts desktop(settings, desktopOut, [] {});
    emit desktop.store().processesChanged({session});
    session.state = ProcessState::active;
    emit desktop.store().processesChanged({session});
    EXPECT_EQ(desktopOut.str().find("session"), std::string::npos) << desktopOut.str();
}

} // namespace
} // namespace quillo
