// SPDX-License-Identifier: GPL-3.0-or-later
// The display language: which one is chosen, and that English really replaces
// the Chinese source texts.
#include "app/Translations.h"
#include "WidgetTestApp.h"
#include "dashboard/DashboardTexts.h"
#include "installer/HookHealthMonitor.h"
#include "platform/SettingsStore.h"
#include "settings/SettingsCategory.h"
#include "settings/SettingsView.h"
#include "settings/SidebarRow.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(Translations, OverrideDecidesWhenItNamesChineseOrEnglishElseTheSystemLocale) {
    const QLocale chinese(QLocale::Chinese, QLocale::Taiwan);
    const QLocale german(QLocale::German, QLocale::Germany);
    using L = DisplayLanguage;
    EXPECT_EQ(Translations::resolve(std::nullopt, chinese), L::zh);
    EXPECT_EQ(Translations::resolve(std::nullopt, german), L::en);
    EXPECT_EQ(Translations::resolve(QStringList{}, chinese), L::zh);
    EXPECT_EQ(Translations::resolve(QStringList{"en"}, chinese), L::en);
    EXPECT_EQ(Translations::resolve(QStringList{"EN-GB"}, chinese), L::en);
    EXPECT_EQ(Translations::resolve(QStringList{"zh-Hans"}, german), L::zh);
    EXPECT_EQ(Translations::resolve(QStringList{"zh-Hant", "en"}, german), L::zh);
    // Another language in the override leaves the choice to the system.
    EXPECT_EQ(Translations::resolve(QStringList{"fr", "zh-Hans"}, chinese), L::zh);
    EXPECT_EQ(Translations::resolve(QStringList{"fr"}, german), L::en);

    MemorySettingsStore settings;
    settings.setStringList(Translations::languageOverrideKey, {"zh-Hans"});
    EXPECT_EQ(Translations::fromSettings(settings, german), L::zh);
    // A value of the wrong shape reads as no override.
    settings.setString(Translations::languageOverrideKey, "en");
    EXPECT_EQ(Translations::fromSettings(settings, chinese), L::zh);
}

TEST(Translations, EnglishIsEmbeddedAndAppliedToTheInterfaceAndBackAgain) {
    test::widgetApp();
    ASSERT_TRUE(Translations::install(DisplayLanguage::en));
    EXPECT_EQ(label(SettingsCategory::general), QStringLiteral("General"));
    EXPECT_EQ(QCoreApplication::translate("TerminalSwitcher", "未知错误"),
              QStringLiteral("Unknown error"));
    MemorySettingsStore settings;
    HookHealthMonitor health(settings, [] { return true; });
    SettingsView view(health);
    EXPECT_EQ(view.sidebarRow(SettingsCategory::danger)->accessibleName(),
              QStringLiteral("Danger Zone"));
    EXPECT_EQ(DashboardTexts::processCountText(1), "Monitoring 1 Claude Code session");
    EXPECT_EQ(DashboardTexts::processCountText(2), "Monitoring 2 Claude Code sessions");

    ASSERT_TRUE(Translations::install(DisplayLanguage::zh));
    EXPECT_EQ(label(SettingsCategory::general), QStringLiteral("通用"));
}

} // namespace
} // namespace quillo
