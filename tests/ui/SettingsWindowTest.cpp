// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window: one window, its sidebar, its badge and its panes.
#include "WidgetTestApp.h"
#include "installer/HookHealthMonitor.h"
#include "platform/SettingsStore.h"
#include "settings/DetailHeader.h"
#include "settings/SettingsView.h"
#include "settings/SettingsWindowController.h"
#include "settings/SidebarRow.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace quillo {
namespace {

struct SettingsWindowFixture : ::testing::Test {
    SettingsWindowFixture() {
        test::widgetApp();
        settings.setBoolean(HookHealthMonitor::onboardingCompletedKey, true);
    }

    void setHooksValid(bool valid) {
        hooksValid = valid;
        health.checkNow();
        while (health.isChecking()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    MemorySettingsStore settings;
    bool hooksValid = true;
    HookHealthMonitor health{settings, [this] { return hooksValid; }};
};

TEST_F(SettingsWindowFixture, SidebarListsTheSevenCategoriesInOrderAndStartsOnHooks) {
    SettingsView view(health);
    const char* expected[] = {"hookConfig", "pairedPhones", "permissions", "terminals",
                              "general",    "about",        "danger"};
    view.resize(SettingsView::minimumWidth, SettingsView::minimumHeight);
    view.show();
    auto rows = view.findChildren<SidebarRow*>();
    ASSERT_EQ(rows.size(), 7);
    std::sort(rows.begin(), rows.end(),
              [](SidebarRow* a, SidebarRow* b) { return a->y() < b->y(); });
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(rows[i]->objectName(), QStringLiteral("sidebarRow-") + expected[i]);
        EXPECT_FALSE(rows[i]->accessibleName().isEmpty());
    }
    EXPECT_EQ(view.selection(), SettingsCategory::hookConfig);
    EXPECT_TRUE(rows[0]->isSelected());
    EXPECT_EQ(view.currentPane()->objectName(), QStringLiteral("pane-hookConfig"));
}

TEST_F(SettingsWindowFixture, HookBadgeFollowsHealthWhicheverCategoryIsSelected) {
    SettingsView view(health);
    SidebarRow* hooks = view.sidebarRow(SettingsCategory::hookConfig);
    EXPECT_FALSE(hooks->showsBadge());

    setHooksValid(false);
    EXPECT_TRUE(hooks->showsBadge());
    view.select(SettingsCategory::about);
    EXPECT_TRUE(hooks->showsBadge());
    for (SettingsCategory other : allSettingsCategories) {
        if (other != SettingsCategory::hookConfig) {
            EXPECT_FALSE(view.sidebarRow(other)->showsBadge());
        }
    }
    setHooksValid(true);
    EXPECT_FALSE(hooks->showsBadge());

    // A view created while the hooks are broken shows the badge at once.
    setHooksValid(false);
    SettingsView later(health);
    EXPECT_TRUE(later.sidebarRow(SettingsCategory::hookConfig)->showsBadge());
}

TEST_F(SettingsWindowFixture, ClickingASidebarRowShowsItsPane) {
    SettingsView view(health);
    view.resize(SettingsView::minimumWidth, SettingsView::minimumHeight);
    view.show();
    QWidget* hookPane = view.currentPane();

    SidebarRow* general = view.findChild<SidebarRow*>(QStringLiteral("sidebarRow-general"));
    ASSERT_NE(general, nullptr);
    QTest::mouseClick(general, Qt::LeftButton);

    EXPECT_EQ(view.selection(), SettingsCategory::general);
    EXPECT_TRUE(general->isSelected());
    EXPECT_FALSE(view.sidebarRow(SettingsCategory::hookConfig)->isSelected());
    EXPECT_EQ(view.currentPane()->objectName(), QStringLiteral("pane-general"));
    EXPECT_TRUE(view.currentPane()->isVisible());
    EXPECT_FALSE(hookPane->isVisible());
    auto* header = view.currentPane()->findChild<DetailHeader*>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->title(), QStringLiteral("通用"));

    // Going back reuses the pane that was built first.
    QTest::mouseClick(view.sidebarRow(SettingsCategory::hookConfig), Qt::LeftButton);
    EXPECT_EQ(view.currentPane(), hookPane);
    EXPECT_TRUE(hookPane->isVisible());
}

TEST_F(SettingsWindowFixture, ShowTwiceIsOneWindowThatKeepsItsSelectionWhenReopened) {
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    SettingsWindowController controller(health, {});
    controller.show();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(720, 560));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillo 设置"));

    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore + 1);

    controller.view()->select(SettingsCategory::danger);
    window->close();
    EXPECT_FALSE(window->isVisible());
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(controller.view()->selection(), SettingsCategory::danger);
}

} // namespace
} // namespace quillo
