// SPDX-License-Identifier: GPL-3.0-or-later
#include "installer/HookHealthMonitor.h"
#include "InstallerTestSupport.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace test;
namespace HI = HookInstaller;

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
    static int argc = 1;
    static char name[] = "installer_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv); // timers need one
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

} // namespace
} // namespace quillo
