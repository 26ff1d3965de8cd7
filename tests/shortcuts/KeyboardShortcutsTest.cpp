// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts.h"
#include "FakeHotKeyService.h"
#include "ShortcutTestSupport.h"
#include "TempDir.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <QObject>

#include <memory>

namespace quillo {
namespace {

using test::ctrlAltJ;
using test::ctrlAltK;

const QString storedKey = QStringLiteral("KeyboardShortcuts_toggleQuillo");
const ShortcutName toggle = ShortcutName::toggleQuillo();

struct Change {
    QString name;
    std::optional<Shortcut> shortcut;
    bool operator==(const Change&) const = default;
};

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&shortcuts, &KeyboardShortcuts::shortcutByNameDidChange,
                         [this](const QString& name, const std::optional<Shortcut>& shortcut) {
                             changes.push_back({name, shortcut});
                         });
    }

    MemorySettingsStore settings;
    FakeHotKeyService hotKeys;
    KeyboardShortcuts shortcuts{settings, hotKeys};
    std::vector<Change> changes;
    int downs = 0;
};

TEST(ShortcutStorage, TheStoredFormIsExactAndSurvivesARestart) {
    test::TempDir dir;
    const QString file = QString::fromStdString((dir / "QuilloMac.conf").string());
    {
        FileSettingsStore settings(file);
        FakeHotKeyService hotKeys;
        KeyboardShortcuts shortcuts(settings, hotKeys);
        shortcuts.setShortcut(ctrlAltK, toggle);
    }
    FileSettingsStore reopened(file);
    EXPECT_EQ(reopened.string(storedKey), R"({"carbonKeyCode":40,"carbonModifiers":6144})");

    FakeHotKeyService hotKeys;
    KeyboardShortcuts shortcuts(reopened, hotKeys);
    EXPECT_EQ(shortcuts.getShortcut(toggle), ctrlAltK);
    // What another program wrote, with its own spacing and member order, reads too.
    reopened.setString(storedKey, R"({ "carbonModifiers": 256, "carbonKeyCode": 49 })");
    EXPECT_EQ(shortcuts.getShortcut(toggle), (Shortcut{49, 256}));
}

TEST_F(Registry, AValueThatIsNoShortcutReadsAsNoneAndRegistersNothing) {
    for (const char* stored : {"", "false", "not json", "[40, 6144]", R"({"carbonKeyCode":40})",
                               R"({"carbonKeyCode":"40","carbonModifiers":6144})",
                               R"({"carbonKeyCode":40.5,"carbonModifiers":6144})",
                               R"({"carbonKeyCode":40,"carbonModifiers":null})"}) {
        settings.setString(storedKey, QString::fromUtf8(stored));
        EXPECT_EQ(shortcuts.getShortcut(toggle), std::nullopt) << stored;
    }
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    EXPECT_TRUE(hotKeys.registered().empty());
    EXPECT_EQ(hotKeys.registerCalls(), 0);
}

TEST_F(Registry, OnKeyDownRegistersTheStoredShortcutAndOnlyItsPressRuns) {
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    EXPECT_TRUE(hotKeys.registered().empty()); // nothing stored: reachable only from the tray

    settings.setString(storedKey, ctrlAltK.toJson());
    int ups = 0;
    shortcuts.onKeyUp(toggle, [&ups] { ++ups; });
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltK});
    shortcuts.onKeyDown(toggle, [this] { downs += 10; });
    EXPECT_EQ(hotKeys.registerCalls(), 1); // registered once for all actions

    hotKeys.press(ctrlAltK);
    EXPECT_EQ(downs, 11);
    EXPECT_EQ(ups, 1);
}

TEST_F(Registry, SetShortcutMovesTheRegistrationAndAnnouncesEachChange) {
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    shortcuts.setShortcut(ctrlAltK, toggle);
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltK});
    hotKeys.press(ctrlAltK);
    EXPECT_EQ(downs, 1);

    shortcuts.setShortcut(ctrlAltJ, toggle);
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltJ});
    EXPECT_EQ(settings.string(storedKey), ctrlAltJ.toJson());
    hotKeys.press(ctrlAltJ);
    EXPECT_EQ(downs, 2);

    shortcuts.setShortcut(std::nullopt, toggle);
    EXPECT_TRUE(hotKeys.registered().empty());
    EXPECT_FALSE(settings.keys().contains(storedKey));

    std::vector<Change> expected{
        {"toggleQuillo", ctrlAltK}, {"toggleQuillo", ctrlAltJ}, {"toggleQuillo", std::nullopt}};
    EXPECT_EQ(changes, expected);
}

TEST_F(Registry, ResetLeavesNoStoredKeyAndNoRegistration) {
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    shortcuts.setShortcut(ctrlAltK, toggle);
    shortcuts.reset({toggle});
    EXPECT_FALSE(settings.keys().contains(storedKey));
    EXPECT_TRUE(hotKeys.registered().empty());
    EXPECT_FALSE(shortcuts.isRegistered(ctrlAltK));
    EXPECT_EQ(changes.back(), (Change{"toggleQuillo", std::nullopt}));
}

TEST_F(Registry, ANameWithADefaultStoresFalseWhenClearedAndResetBringsTheDefaultBack) {
    const ShortcutName named{QStringLiteral("withDefault"), ctrlAltJ};
    EXPECT_EQ(shortcuts.getShortcut(named), ctrlAltJ);
    shortcuts.setShortcut(std::nullopt, named);
    EXPECT_EQ(settings.string(QStringLiteral("KeyboardShortcuts_withDefault")), "false");
    EXPECT_EQ(shortcuts.getShortcut(named), std::nullopt);
    shortcuts.reset({named});
    EXPECT_EQ(shortcuts.getShortcut(named), ctrlAltJ);
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltJ});
}

TEST_F(Registry, ARefusedRegistrationPrintsTheErrorAndTheRegistryRunsOn) {
    hotKeys.holdElsewhere(ctrlAltK);
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    ::testing::internal::CaptureStderr();
    shortcuts.setShortcut(ctrlAltK, toggle);
    std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "Error registering hotkey Ctrl+Alt+K:10\n");
    EXPECT_FALSE(shortcuts.isRegistered(ctrlAltK));
    EXPECT_EQ(settings.string(storedKey), ctrlAltK.toJson()); // the choice is kept

    shortcuts.setShortcut(ctrlAltJ, toggle);
    hotKeys.press(ctrlAltJ);
    EXPECT_EQ(downs, 1);

    // Values from a settings file edited by hand never reach the system.
    ::testing::internal::CaptureStderr();
    shortcuts.setShortcut(Shortcut{-1, 0}, toggle);
    shortcuts.setShortcut(Shortcut{40, std::int64_t{1} << 32}, toggle);
    printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "Error registering hotkey #-1:out of range\n"
                       "Error registering hotkey 0x100000000+K:out of range\n");
    EXPECT_TRUE(hotKeys.registered().empty());
}

TEST_F(Registry, RecordingReleasesEveryHotKeyUntilTheLastRecorderStops) {
    std::vector<bool> statuses;
    QObject::connect(&shortcuts, &KeyboardShortcuts::recorderActiveStatusDidChange,
                     [&statuses](bool recording) { statuses.push_back(recording); });
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    shortcuts.setShortcut(ctrlAltK, toggle);

    shortcuts.recorderStarted();
    shortcuts.recorderStarted(); // a second recorder, in another window
    EXPECT_TRUE(hotKeys.registered().empty());
    EXPECT_FALSE(shortcuts.isRegistered(ctrlAltK));
    // A shortcut recorded now is held only once recording is over.
    shortcuts.setShortcut(ctrlAltJ, toggle);
    EXPECT_TRUE(hotKeys.registered().empty());

    shortcuts.recorderStopped();
    EXPECT_TRUE(hotKeys.registered().empty());
    shortcuts.recorderStopped();
    shortcuts.recorderStopped(); // an unmatched stop changes nothing
    EXPECT_EQ(hotKeys.registered(), std::set<Shortcut>{ctrlAltJ});
    hotKeys.press(ctrlAltJ);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(statuses, (std::vector<bool>{true, false}));
}

TEST_F(Registry, AnActionWhoseContextIsGoneNoLongerRuns) {
    auto context = std::make_unique<QObject>();
    shortcuts.onKeyDown(
        toggle, [this] { ++downs; }, context.get());
    shortcuts.setShortcut(ctrlAltK, toggle);
    hotKeys.press(ctrlAltK);
    context.reset();
    hotKeys.press(ctrlAltK);
    EXPECT_EQ(downs, 1);
}

TEST_F(Registry, WithoutX11NothingIsRegisteredAndTheNoteSaysWhy) {
    hotKeys.setAvailability(HotKeyAvailability::noX11);
    settings.setString(storedKey, ctrlAltK.toJson());
    ::testing::internal::CaptureStderr();
    shortcuts.onKeyDown(toggle, [this] { ++downs; });
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(hotKeys.registerCalls(), 0);
    EXPECT_FALSE(shortcuts.isRegistered(ctrlAltK));
    EXPECT_TRUE(shortcuts.availabilityNote().has_value());

    hotKeys.setAvailability(HotKeyAvailability::available);
    EXPECT_FALSE(shortcuts.availabilityNote().has_value());
    hotKeys.setAvailability(HotKeyAvailability::whileX11WindowFocused);
    EXPECT_TRUE(shortcuts.availabilityNote().has_value());
}

} // namespace
} // namespace quillo
