// SPDX-License-Identifier: GPL-3.0-or-later
#include "installer/HookHealthMonitor.h"
#include "InstallerTestSupport.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace quillo {
namespace {

using namespace test;
namespace HI = HookInstaller;

struct HealthFixture : ::testing::Test {
    SettingsFixture settings;
    MemorySettingsStore store;
    std::atomic<int> validations = 0; // counted where the check runs
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
    // One check, and its answer.
    void check() {
        monitor.checkNow();
        ASSERT_TRUE(waitFor([this] { return !monitor.isChecking(); }));
    }
    void install() { ASSERT_TRUE(HI::apply(HI::computePlan(settings.setup)).success); }
};

TEST_F(HealthFixture, PublishesRealChangesOnlyAndNothingBeforeOnboarding) {
    check(); // missing file, onboarding not completed
    EXPECT_EQ(validations, 0);
    onboarded(true);
    check();
    check();
    install();
    check();
    settings.setup.hookCommandPath = "/usr/lib/quillo/QuilloHook"; // the application moved
    check();
    onboarded(false); // a reset to first run
    check();
    EXPECT_EQ(published, (std::vector<bool>{true, false, true, false}));

    onboarded(true);
    settings.putFixture("settings-legacy-marker.json");
    settings.setup.hookCommandPath = "/Applications/Quillo.app/Contents/MacOS/QuilloHook";
    check();
    EXPECT_TRUE(monitor.hasError()); // legacy entries count as broken
}

TEST_F(HealthFixture, StartChecksAtOnceAndThenEveryTenMinutes) {
    application(); // timers need one
    onboarded(true);
    monitor.start();
    ASSERT_TRUE(waitFor([this] { return !monitor.isChecking(); }));
    EXPECT_EQ(validations, 1);
    EXPECT_TRUE(monitor.hasError());
    monitor.start(); // replaces the timer
    auto timers = monitor.findChildren<QTimer*>();
    ASSERT_EQ(timers.size(), 1);
    EXPECT_TRUE(timers[0]->isActive());
    EXPECT_EQ(timers[0]->intervalAsDuration(), std::chrono::seconds(600));

    install();
    QMetaObject::invokeMethod(timers[0], "timeout"); // what a tick does
    ASSERT_TRUE(waitFor([this] { return !monitor.isChecking(); }));
    EXPECT_FALSE(monitor.hasError());
}

// A check that the test lets finish: it waits at a gate, as a check reading a
// large file takes its time, and says where it ran and whether the gate had
// been opened (rather than the wait given up).
struct GatedCheck {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = true;
    std::atomic<bool> answer = true;
    std::atomic<int> runs = 0;
    std::atomic<bool> ranOnMainThread = false;
    std::atomic<bool> gaveUp = false;

    bool operator()() {
        ranOnMainThread = ranOnMainThread || QThread::currentThread() == application().thread();
        ++runs;
        const bool valid = answer;
        std::unique_lock lock(mutex);
        if (!opened.wait_for(lock, std::chrono::seconds(10), [this] { return open; })) {
            gaveUp = true;
        }
        return valid;
    }
    void setOpen(bool value) {
        {
            std::lock_guard lock(mutex);
            open = value;
        }
        opened.notify_all();
    }
};

// The check reads a settings file of possibly many megabytes: the main thread,
// whose event loop drives the tray and the phone link, keeps turning meanwhile,
// and requests made during a check are answered once, in order, never lost.
TEST(HookHealth, ChecksOffTheMainThreadOnceMoreWhenAskedMeanwhile) {
    application();
    MemorySettingsStore store;
    store.setBoolean("quillo.onboardingCompleted", true);
    GatedCheck gate;
    HookHealthMonitor monitor(store, [&gate] { return gate(); });
    std::vector<bool> published;
    QObject::connect(&monitor, &HookHealthMonitor::hasErrorChanged,
                     [&](bool value) { published.push_back(value); });

    // Only the event loop opens the gate: a check holding the main thread
    // would wait for it in vain.
    gate.setOpen(false);
    gate.answer = false;
    QTimer::singleShot(0, [&gate] { gate.setOpen(true); });
    monitor.checkNow();
    EXPECT_TRUE(monitor.isChecking());
    ASSERT_TRUE(waitFor([&] { return !monitor.isChecking(); }));
    EXPECT_FALSE(gate.ranOnMainThread);
    EXPECT_FALSE(gate.gaveUp);
    EXPECT_EQ(published, std::vector<bool>{true});

    // Repaired while a check still reads the broken file: asked twice more,
    // it checks once more, and the newer answer is the one that stays.
    gate.setOpen(false);
    monitor.checkNow();
    ASSERT_TRUE(waitFor([&] { return gate.runs == 2; }));
    gate.answer = true;
    monitor.checkNow();
    monitor.checkNow();
    gate.setOpen(true);
    ASSERT_TRUE(waitFor([&] { return !monitor.isChecking(); }));
    EXPECT_EQ(gate.runs, 3);
    EXPECT_FALSE(monitor.hasError());
    EXPECT_EQ(published, (std::vector<bool>{true, false}));

    // A reset to first run while a check reads a broken file: no error shown.
    gate.setOpen(false);
    gate.answer = false;
    monitor.checkNow();
    ASSERT_TRUE(waitFor([&] { return gate.runs == 4; }));
    store.setBoolean("quillo.onboardingCompleted", false);
    monitor.checkNow();
    gate.setOpen(true);
    ASSERT_TRUE(waitFor([&] { return !monitor.isChecking(); }));
    EXPECT_FALSE(monitor.hasError());
    EXPECT_EQ(gate.runs, 4);
    EXPECT_EQ(published, (std::vector<bool>{true, false}));
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
