// SPDX-License-Identifier: GPL-3.0-or-later
#include "installer/HookHealthMonitor.h"
#include "InstallerTestSupport.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace test;
namespace HI = HookInstaller;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "installer_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 4000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

struct HealthFixture : ::testing::Test {
    SettingsFixture settings;
    MemorySettingsStore store;
    int validations = 0;
    std::vector<bool> published;
    HookHealthMonitor monitor{store, [this] {
                                  ++validations;
                                  return HI::validate(settings.setup);
                              }};

    HealthFixture() {
        QObject::connect(&monitor, &HookHealthMonitor::hasErrorChanged,
                         [this](bool value) { published.push_back(value); });
    }
    void onboarded(bool done) { store.setBoolean("quillo.onboardingCompleted", done); }
    void install() { ASSERT_TRUE(HI::apply(HI::computePlan(settings.setup)).success); }
};

TEST_F(HealthFixture, PublishesRealChangesOnlyAndNothingBeforeOnboarding) {
    monitor.checkNow(); // missing file, onboarding not completed
    EXPECT_EQ(validations, 0);
    onboarded(true);
    monitor.checkNow();
    monitor.checkNow();
    install();
    monitor.checkNow();
    settings.setup.hookCommandPath = "/usr/lib/quillo/QuilloHook"; // the application moved
    monitor.checkNow();
    onboarded(false); // a reset to first run
    monitor.checkNow();
    EXPECT_EQ(published, (std::vector<bool>{true, false, true, false}));

    onboarded(true);
    settings.putFixture("settings-legacy-marker.json");
    settings.setup.hookCommandPath = "/Applications/Quillo.app/Contents/MacOS/QuilloHook";
    monitor.checkNow();
    EXPECT_TRUE(monitor.hasError()); // legacy entries count as broken
}

TEST_F(HealthFixture, StartChecksAtOnceAndThenEveryTenMinutes) {
    application(); // timers need one
    onboarded(true);
    monitor.start();
    EXPECT_EQ(validations, 1);
    EXPECT_TRUE(monitor.hasError());
    monitor.start(); // replaces the timer
    auto timers = monitor.findChildren<QTimer*>();
    ASSERT_EQ(timers.size(), 1);
    EXPECT_TRUE(timers[0]->isActive());
    EXPECT_EQ(timers[0]->intervalAsDuration(), std::chrono::seconds(600));

    install();
    QMetaObject::invokeMethod(timers[0], "timeout"); // what a tick does
    EXPECT_FALSE(monitor.hasError());
}

// Events the installed Claude Code supports but the file lacks are offered,
// not reported as a broken configuration.
TEST_F(HealthFixture, LooksForMissingEventsInTheBackgroundWithoutAnError) {
    application();
    onboarded(true);
    install(); // the six, with no version known
    ClaudeCodeVersion version{2, 1, 197};
    monitor.setEventsCheck([&] { return HI::missingEvents(settings.path(), version); });
    std::vector<QStringList> heard;
    QObject::connect(&monitor, &HookHealthMonitor::missingEventsChanged,
                     [&](const QStringList& events) { heard.push_back(events); });
    monitor.start();
    ASSERT_TRUE(waitFor([&] { return !heard.empty(); }));
    EXPECT_EQ(heard.back(), (QStringList{"PermissionRequest", "PostToolUse", "PostToolUseFailure",
                                         "StopFailure"}));
    EXPECT_FALSE(monitor.hasError());

    // Applying the update leaves nothing to offer.
    HI::Setup current = settings.setup;
    current.claudeCodeVersion = version;
    ASSERT_TRUE(HI::apply(HI::computePlan(current)).success);
    monitor.checkClaudeCodeEvents();
    ASSERT_TRUE(waitFor([&] { return heard.size() == 2; }));
    EXPECT_TRUE(monitor.missingEvents().isEmpty());

    // Nothing of ours installed: nothing to add to.
    EXPECT_TRUE(HI::missingEvents(settings.dir / "none.json", version).empty());
}

} // namespace
} // namespace quillo
