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

// Timers need an application object on the thread.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "installer_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        new QCoreApplication(argc, argv);
    }
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
    void completeOnboarding() { store.setBoolean("quillo.onboardingCompleted", true); }
    void install() { ASSERT_TRUE(HI::apply(HI::computePlan(settings.setup)).success); }
};

TEST_F(HealthFixture, NoErrorIsShownBeforeOnboardingIsCompleted) {
    monitor.checkNow();
    EXPECT_FALSE(monitor.hasError());
    EXPECT_EQ(validations, 0);
    EXPECT_TRUE(published.empty());

    completeOnboarding();
    monitor.checkNow();
    EXPECT_TRUE(monitor.hasError());                       // missing file
    store.setBoolean("quillo.onboardingCompleted", false); // a reset
    monitor.checkNow();
    EXPECT_FALSE(monitor.hasError());
    EXPECT_EQ(published, (std::vector<bool>{true, false}));
}

TEST_F(HealthFixture, PublishesOnlyRealChanges) {
    completeOnboarding();
    monitor.checkNow();
    monitor.checkNow();
    EXPECT_EQ(published, std::vector<bool>{true});

    install();
    monitor.checkNow();
    monitor.checkNow();
    EXPECT_EQ(published, (std::vector<bool>{true, false}));

    // The application moved: the entries point at another recorder.
    settings.setup.hookCommandPath = "/usr/lib/quillo/QuilloHook";
    monitor.checkNow();
    EXPECT_TRUE(monitor.hasError());
    install();
    monitor.checkNow();
    EXPECT_EQ(published, (std::vector<bool>{true, false, true, false}));
}

TEST_F(HealthFixture, LegacyEntriesCountAsBroken) {
    completeOnboarding();
    settings.putFixture("settings-legacy-marker.json");
    settings.setup.hookCommandPath = "/Applications/Quillo.app/Contents/MacOS/QuilloHook";
    monitor.checkNow();
    EXPECT_TRUE(monitor.hasError());
}

TEST_F(HealthFixture, StartChecksAtOnceAndThenEveryTenMinutes) {
    ensureApplication();
    completeOnboarding();
    monitor.start();
    EXPECT_EQ(validations, 1);
    EXPECT_TRUE(monitor.hasError());
    monitor.start(); // a second start replaces the timer
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
