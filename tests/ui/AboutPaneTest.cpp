// SPDX-License-Identifier: GPL-3.0-or-later
// The about pane: its rows reach the services they name, and each question
// opens on its own.
#include "WidgetTestApp.h"
#include "app/FeedbackReport.h"
#include "settings/AboutDetail.h"
#include "settings/FAQCard.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(AboutPane, RowsRunTheirServicesAndAreDisabledWithoutThem) {
    test::widgetApp();
    std::vector<std::string> calls;
    SettingsServices services;
    services.showDiagnostics = [&] { calls.push_back("diagnostics"); };
    services.presentFeedback = [&] { calls.push_back("feedback"); };
    AboutDetail pane(services);

    EXPECT_EQ(pane.findChild<QLabel*>("versionText")->text().toStdString(),
              FeedbackReport::versionString());
    pane.findChild<QAbstractButton*>("diagnosticsButton")->click();
    pane.findChild<QAbstractButton*>("feedbackButton")->click();
    EXPECT_EQ(calls, (std::vector<std::string>{"diagnostics", "feedback"}));
    // The guide is another window's; without it the button says so by being off.
    EXPECT_FALSE(pane.findChild<QAbstractButton*>("onboardingButton")->isEnabled());

    pane.show();
    pane.findChild<QAbstractButton*>("uninstallButton")->click();
    QDialog* sheet = pane.uninstallSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->findChild<QLabel*>("uninstallText")->text().contains("make uninstall"));
    sheet->findChild<QAbstractButton*>("uninstallClose")->click();
    EXPECT_FALSE(sheet->isVisible());
    // A build without a home page shows no row for one.
    EXPECT_EQ(pane.findChild<QWidget*>("homePageRow"), nullptr);
}

TEST(AboutPane, AHomePageIsShownAndOpened) {
    test::widgetApp();
    std::vector<QUrl> opened;
    SettingsServices services;
    services.homePage = QStringLiteral("https://quillo.test/");
    services.openUrl = [&](const QUrl& url) { opened.push_back(url); };
    AboutDetail pane(services);
    auto* row = pane.findChild<QWidget*>("homePageRow");
    ASSERT_NE(row, nullptr);
    pane.findChild<QAbstractButton*>("homePageButton")->click();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://quillo.test/")});
}

TEST(AboutPane, OpeningOneQuestionLeavesTheOthersAsTheyWere) {
    test::widgetApp();
    AboutDetail pane;
    const auto& rows = pane.faq()->rows();
    ASSERT_EQ(rows.size(), 3u);
    for (FAQRow* row : rows) {
        EXPECT_FALSE(row->isExpanded());
    }
    rows[1]->setExpanded(true, false);
    rows[2]->toggle();
    rows[2]->toggle();
    EXPECT_FALSE(rows[0]->isExpanded());
    EXPECT_TRUE(rows[1]->isExpanded());
    EXPECT_FALSE(rows[2]->isExpanded());
    EXPECT_TRUE(rows[1]->findChild<QLabel*>("faqAnswer")->isVisibleTo(rows[1]));
    EXPECT_FALSE(rows[0]->findChild<QLabel*>("faqAnswer")->isVisibleTo(rows[0]));
}

} // namespace
} // namespace quillo
