// SPDX-License-Identifier: GPL-3.0-or-later
// The reset behind "清理并重启", on a configured temporary home: hooks,
// pairings, the shortcut and its grab, the preferences and the data folder
// go; the language override and foreign hooks stay; the restart comes last.
#include "settings/ConfigurationReset.h"
#include "AppPaths.h"
#include "CarbonKeys.h"
#include "FakeHotKeyService.h"
#include "KeyboardShortcuts.h"
#include "TempDir.h"
#include "WidgetTestApp.h"
#include "app/SoftwareUpdateController.h"
#include "app/Translations.h"
#include "installer/HookHealthMonitor.h"
#include "installer/HookInstaller.h"
#include "networking/PairedClientStorage.h"
#include "notices/SessionNotices.h"
#include "platform/SettingsStore.h"
#include "settings/DangerZoneDetail.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <sstream>

namespace quillo {
namespace {

namespace fs = std::filesystem;

const Shortcut ctrlAltK{0x28, CarbonKeys::controlMask | CarbonKeys::optionMask};

struct ResetFixture : ::testing::Test {
    ResetFixture() { test::widgetApp(); }

    // Everything a user who has used Quillo for a while has.
    void configure() {
        fs::create_directories(HookInstaller::settingsPath().parent_path());
        test::writeFile(
            HookInstaller::settingsPath(),
            R"({"hooks":{"Stop":[{"hooks":[{"type":"command","command":"notify-send done"}]}]},)"
            R"("model":"opus"})");
        std::ostringstream out;
        ASSERT_TRUE(HookInstaller::install(HookInstaller::currentSetup(), out));
        ASSERT_TRUE(HookInstaller::isInstalled());

        PairedClientStorage::add(settings, "Pixel 8", "token-1");
        shortcuts.setShortcut(ctrlAltK, ShortcutName::toggleQuillo());
        ASSERT_TRUE(shortcuts.isRegistered(ctrlAltK));
        for (const QString& key : ConfigurationReset::preferenceKeys()) {
            settings.setBoolean(key, true);
        }
        // Notices are on by default: switched off is what the user chose.
        SessionNotices::setEnabled(settings, SessionNotices::permissionKey, false);
        SessionNotices::setEnabled(settings, SessionNotices::inputKey, false);
        settings.setStringList(Translations::languageOverrideKey, {"en"});

        ASSERT_TRUE(AppPaths::ensureAppSupportDirectory());
        test::writeFile(AppPaths::eventsLogFile(), "{}\n");
        test::writeFile(home.appSupport() / "diagnostic.log", "{}\n");
        fs::create_directories(home.appSupport() / "archive");
        test::writeFile(home.appSupport() / "archive" / "old.jsonl", "{}\n");
    }

    ConfigurationReset::Services services() {
        return {
            .settings = &settings,
            .uninstallHooks = {}, // the installer on the home's settings file
            .setLaunchAtLogin =
                [this](bool on) { steps.push_back(on ? "autostart on" : "autostart off"); },
            .resetShortcut = [this] { shortcuts.reset({ShortcutName::toggleQuillo()}); },
            .relaunch =
                [this] {
                    // Everything else is done by the time the new instance starts.
                    EXPECT_FALSE(HookInstaller::isInstalled());
                    EXPECT_TRUE(fs::is_empty(home.appSupport()));
                    steps.push_back("relaunch");
                },
        };
    }

    test::TempHome home;
    FileSettingsStore settings;
    FakeHotKeyService hotKeys;
    KeyboardShortcuts shortcuts{settings, hotKeys};
    std::vector<std::string> steps;
};

TEST_F(ResetFixture, ConfiguredHomeEndsInFirstRunStateWithTheLanguageKept) {
    configure();
    if (HasFatalFailure()) {
        return;
    }

    ConfigurationReset::perform(services());

    EXPECT_EQ(steps, (std::vector<std::string>{"autostart off", "relaunch"}));
    // Hooks: ours gone, the user's own hook and other settings untouched.
    EXPECT_FALSE(HookInstaller::isInstalled());
    const std::string claudeSettings = test::readFile(HookInstaller::settingsPath());
    EXPECT_NE(claudeSettings.find("notify-send done"), std::string::npos) << claudeSettings;
    EXPECT_NE(claudeSettings.find("\"opus\""), std::string::npos) << claudeSettings;
    // No pairing, no shortcut stored or grabbed, no preference but the language,
    // also as read back from the file by a new instance.
    EXPECT_TRUE(PairedClientStorage::listedDisplayNames(settings).empty());
    EXPECT_TRUE(hotKeys.registered().empty());
    EXPECT_EQ(shortcuts.getShortcut(ShortcutName::toggleQuillo()), std::nullopt);
    EXPECT_EQ(settings.keys(), QStringList{Translations::languageOverrideKey});
    FileSettingsStore reread;
    EXPECT_EQ(reread.keys(), QStringList{Translations::languageOverrideKey});
    EXPECT_FALSE(reread.boolean(HookHealthMonitor::onboardingCompletedKey));
    EXPECT_TRUE(SessionNotices::enabled(reread, SessionNotices::permissionKey));
    EXPECT_TRUE(SessionNotices::enabled(reread, SessionNotices::inputKey));
    // The data folder is there again, private and empty.
    ASSERT_TRUE(fs::is_directory(home.appSupport()));
    EXPECT_TRUE(fs::is_empty(home.appSupport()));
    EXPECT_EQ(test::fileMode(home.appSupport()), 0700u);
}

TEST_F(ResetFixture, WithoutALanguageOverrideNothingQuilloWroteStaysButTheSettingsBackups) {
    configure();
    if (HasFatalFailure()) {
        return;
    }
    settings.remove(Translations::languageOverrideKey);
    const fs::path crashes = home.path() / ".local/state/quillo/crashes";
    fs::create_directories(crashes);
    test::writeFile(crashes / "QuilloMac-1800000000-4242.crash", "SIGSEGV\n");
    std::vector<fs::path> backups;
    for (const auto& file : fs::directory_iterator(HookInstaller::settingsPath().parent_path())) {
        if (file.path().filename().string().find(".quillo-backup-") != std::string::npos) {
            backups.push_back(file.path());
        }
    }
    ASSERT_FALSE(backups.empty());

    ConfigurationReset::perform(services());

    EXPECT_FALSE(fs::exists(home.path() / ".local/state/quillo"));
    EXPECT_FALSE(fs::exists(FileSettingsStore::standardPath().toStdString()));
    EXPECT_FALSE(fs::exists(home.path() / ".config/quillo"));
    EXPECT_TRUE(FileSettingsStore().keys().isEmpty());
    EXPECT_TRUE(fs::is_directory(home.appSupport())); // made again for the new instance
    for (const fs::path& backup : backups) {
        EXPECT_TRUE(fs::exists(backup)) << backup;
    }
}

TEST_F(ResetFixture, ANeverConfiguredHomeStillRestartsAndTheUpdaterKeyIsAmongThoseRemoved) {
    EXPECT_TRUE(ConfigurationReset::preferenceKeys().contains(
        SoftwareUpdateController::automaticChecksKey));
    EXPECT_FALSE(ConfigurationReset::preferenceKeys().contains(Translations::languageOverrideKey));

    ConfigurationReset::perform(services());

    EXPECT_EQ(steps, (std::vector<std::string>{"autostart off", "relaunch"}));
    EXPECT_FALSE(fs::exists(HookInstaller::settingsPath()));
    EXPECT_TRUE(fs::is_directory(home.appSupport()));
}

TEST_F(ResetFixture, DangerZoneCleansUpOnlyAfterTheUserConfirms) {
    configure();
    if (HasFatalFailure()) {
        return;
    }
    bool answer = false;
    int asked = 0;
    SettingsServices paneServices;
    paneServices.settings = &settings;
    paneServices.setLaunchAtLogin = services().setLaunchAtLogin;
    paneServices.resetShortcut = services().resetShortcut;
    paneServices.relaunch = [this] { steps.push_back("relaunch"); };
    DangerZoneDetail pane(paneServices, [&](QWidget*) {
        ++asked;
        return answer;
    });
    auto* button = pane.findChild<QAbstractButton*>("cleanupButton");

    button->click(); // "取消"
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(steps.empty());
    EXPECT_TRUE(HookInstaller::isInstalled());

    answer = true; // "清理并重启"
    button->click();
    EXPECT_EQ(steps, (std::vector<std::string>{"autostart off", "relaunch"}));
    EXPECT_FALSE(HookInstaller::isInstalled());
    EXPECT_TRUE(hotKeys.registered().empty());
}

TEST(DangerZoneTexts, NameThisComputersPlaces) {
    test::TempHome home;
    const QString text = DangerZoneDetail::confirmText();
    EXPECT_TRUE(text.contains("~/.local/share/quillo/")) << text.toStdString();
    EXPECT_TRUE(text.contains("~/.config/quillo/QuilloMac.conf")) << text.toStdString();
    EXPECT_FALSE(text.contains("Library")) << text.toStdString();
}

} // namespace
} // namespace quillo
