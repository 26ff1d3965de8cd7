// SPDX-License-Identifier: GPL-3.0-or-later
// Launch at login through the autostart entry, the language override, and the
// general pane's switches and restart prompt.
#include "ShortcutTestSupport.h"
#include "TempDir.h"
#include "app/AppLanguageManager.h"
#include "app/SoftwareUpdateController.h"
#include "notices/Notifier.h"
#include "notices/SessionNotices.h"
#include "platform/LaunchAtLogin.h"
#include "platform/SettingsStore.h"
#include "settings/GeneralDetail.h"
#include "settings/NoticeSwitches.h"
#include "app/HeadlessParts.h"
#include "settings/SettingsRow.h"

#include "QtTestApp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::readFile;
using test::waitUntil;
using test::writeFile;

TEST(LaunchAtLogin, WritesAndRemovesTheEntryAndAlwaysTheLegacyOne) {
    test::TempDir dir;
    LaunchAtLogin launch(dir / "autostart", QStringLiteral("/opt/Quillo Apps/QuilloMac"));
    EXPECT_FALSE(launch.isEnabled());

    // The old label's entry alone reads as on.
    std::filesystem::create_directories(dir / "autostart");
    writeFile(launch.legacyFile(), "[Desktop Entry]\n");
    EXPECT_TRUE(launch.isEnabled());

    ASSERT_TRUE(launch.setEnabled(true));
    EXPECT_FALSE(std::filesystem::exists(launch.legacyFile()));
    EXPECT_EQ(launch.file().filename(), "com.quillo.mac.agent.desktop");
    const std::string entry = readFile(launch.file());
    EXPECT_NE(entry.find("Type=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("Name=Quillo\n"), std::string::npos);
    EXPECT_NE(entry.find("X-GNOME-Autostart-enabled=true\n"), std::string::npos);
    EXPECT_NE(entry.find("Exec=\"/opt/Quillo Apps/QuilloMac\"\n"), std::string::npos) << entry;
    EXPECT_TRUE(launch.isEnabled());

    writeFile(launch.legacyFile(), "[Desktop Entry]\n");
    ASSERT_TRUE(launch.setEnabled(false));
    EXPECT_FALSE(std::filesystem::exists(launch.file()));
    EXPECT_FALSE(std::filesystem::exists(launch.legacyFile()));
    EXPECT_FALSE(launch.isEnabled());
    EXPECT_TRUE(launch.setEnabled(false)) << "off when already off";
}

TEST(LaunchAtLogin, ExecLinesSurviveTheDesktopEntryQuoting) {
    EXPECT_EQ(LaunchAtLogin::execArgument("/usr/bin/QuilloMac"), "/usr/bin/QuilloMac");
    EXPECT_EQ(LaunchAtLogin::execArgument("/home/a b/Q"), "\"/home/a b/Q\"");
    EXPECT_EQ(LaunchAtLogin::execArgument("/x/100%/Q"), "/x/100%%/Q");
    // `$` is escaped for the command line, and the backslash once more for the
    // value.
    EXPECT_EQ(LaunchAtLogin::execArgument("/x/$HOME/Q"), "\"/x/\\\\$HOME/Q\"");
}

TEST(AppLanguageManager, OverrideRoundTripAndHowCodesRead) {
    MemorySettingsStore settings;
    AppLanguageManager languages(settings);
    EXPECT_EQ(languages.current(), AppLanguage::system);
    languages.set(AppLanguage::en);
    EXPECT_EQ(settings.stringList("AppleLanguages"), QStringList{"en"});
    EXPECT_EQ(languages.current(), AppLanguage::en);
    languages.set(AppLanguage::zhHans);
    EXPECT_EQ(settings.stringList("AppleLanguages"), QStringList{"zh-Hans"});
    languages.set(AppLanguage::system);
    EXPECT_FALSE(settings.string("AppleLanguages")) << "removed, not stored as \"system\"";

    const std::vector<std::pair<QStringList, AppLanguage>> cases{
        {{"zh-Hant-TW"}, AppLanguage::zhHans},
        {{"ZH"}, AppLanguage::zhHans},
        {{"en-GB", "zh"}, AppLanguage::en},
        {{"fr", "en"}, AppLanguage::system},
        {{}, AppLanguage::system},
    };
    for (const auto& [codes, expected] : cases) {
        settings.setStringList("AppleLanguages", codes);
        EXPECT_EQ(languages.current(), expected) << codes.join(',').toStdString();
    }
}

class GeneralDetailTest : public ::testing::Test {
protected:
    void SetUp() override { test::widgetApp(); }

    std::unique_ptr<GeneralDetail> make() {
        SettingsServices services;
        services.settings = &settings;
        services.launchAtLogin = &launch;
        services.languages = &languages;
        services.updates = &updates;
        services.relaunch = [this] { ++relaunches; };
        services.notifier = &notifier;
        return std::make_unique<GeneralDetail>(services);
    }
    void pick(GeneralDetail& pane, AppLanguage language) {
        QComboBox* picker = pane.languagePicker();
        const int index = picker->findData(static_cast<int>(language));
        picker->setCurrentIndex(index);
        emit picker->activated(index);
    }
    QMessageBox* waitForPrompt(GeneralDetail& pane) {
        waitUntil([&] { return pane.languagePrompt() != nullptr; });
        return pane.languagePrompt();
    }

    test::TempDir dir;
    MemorySettingsStore settings;
    LaunchAtLogin launch{dir / "autostart", QStringLiteral("/usr/bin/QuilloMac")};
    AppLanguageManager languages{settings};
    SoftwareUpdateController updates{settings, std::nullopt};
    int relaunches = 0;
    FakeNotifier notifier;
};

TEST_F(GeneralDetailTest, LanguagePromptGuardCancelAndRestart) {
    languages.set(AppLanguage::en);
    auto pane = make();
    EXPECT_EQ(pane->currentLanguage(), AppLanguage::en);

    pick(*pane, AppLanguage::en);
    test::spin(std::chrono::milliseconds(50));
    EXPECT_FALSE(pane->languagePromptInFlight()) << "the current language asks nothing";

    pick(*pane, AppLanguage::zhHans);
    EXPECT_TRUE(pane->languagePromptInFlight());
    pick(*pane, AppLanguage::system); // while the question is open: dropped
    QMessageBox* prompt = waitForPrompt(*pane);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), "Quillo"); // not the program's file name
    test::spin(std::chrono::milliseconds(50));
    EXPECT_EQ(pane->findChildren<QMessageBox*>().size() + (prompt->parent() == nullptr ? 1 : 0),
              1u);
    prompt->findChild<QPushButton*>("cancelButton")->click();
    EXPECT_FALSE(pane->languagePromptInFlight());
    EXPECT_EQ(pane->languagePicker()->currentData().toInt(), static_cast<int>(AppLanguage::en))
        << "back to the current language";
    EXPECT_EQ(relaunches, 0);
    EXPECT_EQ(languages.current(), AppLanguage::en);

    pick(*pane, AppLanguage::system);
    prompt = waitForPrompt(*pane);
    ASSERT_NE(prompt, nullptr);
    prompt->findChild<QPushButton*>("restartButton")->click();
    EXPECT_EQ(relaunches, 1);
    EXPECT_FALSE(settings.string("AppleLanguages"));
    EXPECT_EQ(pane->currentLanguage(), AppLanguage::system);
}

TEST_F(GeneralDetailTest, SwitchesWriteTheirSettingAndUpdatesNeedAFeed) {
    auto pane = make();
    pane->shortcutAtMouseSwitch()->click();
    EXPECT_TRUE(settings.boolean("quillo.shortcutOpensAtMouse"));
    pane->launchAtLoginSwitch()->click();
    EXPECT_TRUE(std::filesystem::exists(launch.file()));
    pane->launchAtLoginSwitch()->click();
    EXPECT_FALSE(std::filesystem::exists(launch.file()));
    EXPECT_FALSE(pane->statusMessage());
    // Without a feed there is nothing to check, and the rows say so.
    EXPECT_FALSE(pane->automaticUpdatesSwitch()->isEnabled());
    EXPECT_FALSE(pane->checkForUpdatesButton()->isEnabled());
}

TEST_F(GeneralDetailTest, ShowingThePaneAgainShowsWhatChangedMeanwhile) {
    auto pane = make();
    pane->show();
    EXPECT_FALSE(pane->launchAtLoginSwitch()->isChecked());
    pane->hide(); // another category; the pane is kept

    // The guide switched launch at login on; the rest changed elsewhere.
    ASSERT_TRUE(launch.setEnabled(true));
    settings.setBoolean("quillo.shortcutOpensAtMouse", true);
    updates.setAutomaticallyChecksForUpdates(true);
    languages.set(AppLanguage::en);
    pane->show();
    EXPECT_TRUE(pane->launchAtLoginSwitch()->isChecked());
    EXPECT_TRUE(pane->shortcutAtMouseSwitch()->isChecked());
    EXPECT_TRUE(pane->automaticUpdatesSwitch()->isChecked());
    EXPECT_EQ(pane->currentLanguage(), AppLanguage::en);
    EXPECT_EQ(pane->languagePicker()->currentData().toInt(), static_cast<int>(AppLanguage::en));

    // Showing is not switching: turned off elsewhere, it stays off.
    ASSERT_TRUE(launch.setEnabled(false));
    pane->hide();
    pane->show();
    EXPECT_FALSE(pane->launchAtLoginSwitch()->isChecked());
    EXPECT_FALSE(std::filesystem::exists(launch.file()));
    EXPECT_FALSE(pane->statusMessage());
}

TEST_F(GeneralDetailTest, NoticeSwitchesAreOnByDefaultAndSayWhenTheDesktopHasNoServer) {
    SessionNotices::setEnabled(settings, SessionNotices::inputKey, false);
    auto pane = make();
    NoticeSwitches* notices = pane->noticeSwitches();
    ASSERT_NE(notices, nullptr);
    EXPECT_TRUE(notices->permissionSwitch()->isChecked()) << "on while never set";
    EXPECT_FALSE(notices->inputSwitch()->isChecked());
    notices->permissionSwitch()->click();
    EXPECT_EQ(settings.string(SessionNotices::permissionKey), "false");
    notices->inputSwitch()->click();
    EXPECT_TRUE(SessionNotices::enabled(settings, SessionNotices::inputKey));
    const auto subtitle = notices->permissionRow()->subtitle();

    // The server leaves the bus, and comes back.
    notifier.setAvailable(false);
    EXPECT_FALSE(notices->permissionSwitch()->isEnabled());
    EXPECT_FALSE(notices->inputSwitch()->isEnabled());
    const QString noServer = QStringLiteral("桌面上没有通知服务, 无法发送通知");
    EXPECT_EQ(notices->permissionRow()->subtitle(), noServer);
    EXPECT_EQ(notices->inputRow()->subtitle(), noServer);
    notifier.setAvailable(true);
    EXPECT_TRUE(notices->inputSwitch()->isEnabled());
    EXPECT_EQ(notices->permissionRow()->subtitle(), subtitle);

    // A pane made while no server is there says so from the start.
    notifier.setAvailable(false);
    auto later = make();
    EXPECT_FALSE(later->noticeSwitches()->permissionSwitch()->isEnabled());
    EXPECT_EQ(later->noticeSwitches()->inputRow()->subtitle(), noServer);
    // Answering questions does not need the notification service.
    QCheckBox* answer = later->noticeSwitches()->answerSwitch();
    EXPECT_TRUE(answer->isEnabled());
    EXPECT_TRUE(answer->isChecked()) << "on while never set";
    EXPECT_TRUE(HeadlessParts::answersPermissions(settings));
    answer->click();
    EXPECT_FALSE(HeadlessParts::answersPermissions(settings));
}

TEST_F(GeneralDetailTest, AFailedLaunchAtLoginSwitchShowsTheRealStateAndWhy) {
    // A file where the autostart folder should be: no entry can be written.
    writeFile(dir / "autostart", "");
    auto pane = make();
    pane->launchAtLoginSwitch()->click();
    EXPECT_FALSE(pane->launchAtLoginSwitch()->isChecked());
    ASSERT_TRUE(pane->statusMessage());
    EXPECT_TRUE(pane->statusMessage()->startsWith(QStringLiteral("开机自启切换失败: ")))
        << pane->statusMessage()->toStdString();
}

} // namespace
} // namespace quillo
