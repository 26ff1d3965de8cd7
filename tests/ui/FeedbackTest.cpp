// SPDX-License-Identifier: GPL-3.0-or-later
// The feedback flow with a fake file manager, mail program and alert.
#include "TempDir.h"
#include "WidgetTestApp.h"
#include "app/CrashHandler.h"
#include "app/FeedbackReport.h"
#include "diagnostics/FeedbackComposer.h"
#include "platform/FileRevealer.h"
#include "platform/UrlOpener.h"

#include <QApplication>
#include <QClipboard>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace quillo {
namespace {

struct FeedbackFixture : ::testing::Test {
    FeedbackFixture() {
        test::widgetApp();
        services.reveal = reveal;
        services.urls = urls;
        services.askToMail = [this](const QString& title, const QString& text, bool offerMail) {
            alerts.push_back({title, text});
            mailOffered.push_back(offerMail);
            return chooseMail;
        };
        services.supportAddress = QStringLiteral("help@quillo.test");
    }

    test::TempHome home;
    std::shared_ptr<FakeFileRevealer> reveal = std::make_shared<FakeFileRevealer>();
    std::shared_ptr<FakeUrlOpener> urls = std::make_shared<FakeUrlOpener>();
    std::vector<std::pair<QString, QString>> alerts;
    std::vector<bool> mailOffered;
    bool chooseMail = false;
    FeedbackComposer::Services services;
};

TEST_F(FeedbackFixture, WithACrashReportItIsNamedOnTheClipboardAndRevealed) {
    // A report as the crash handler leaves it, found the way the real flow
    // finds it.
    const auto report = CrashHandler::crashFolder() / "QuilloMac-2026-12-07T101500Z.crash";
    std::filesystem::create_directories(report.parent_path());
    test::writeFile(report, "signal 11\n");
    services.latestCrashReport = [] { return FeedbackReport::latestCrashReport(); };

    const QString body = FeedbackComposer::presentFeedback(services);

    const QString clipboard = QApplication::clipboard()->text();
    EXPECT_EQ(clipboard, body);
    EXPECT_EQ(clipboard.split('\n').last().toStdString(), "最近崩溃日志：" + report.string());
    EXPECT_EQ(reveal->revealed, QStringList{QString::fromStdString(report.string())});
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].first, "反馈内容已复制到剪贴板");
    EXPECT_EQ(alerts[0].second, FeedbackReport::alertText(true, "help@quillo.test"));
    EXPECT_TRUE(alerts[0].second.contains("help@quillo.test"));
    EXPECT_TRUE(urls->opened.empty()); // "好的" opens no mail
}

TEST_F(FeedbackFixture, WithoutACrashReportNothingIsRevealedAndMailCarriesTheClipboardText) {
    services.latestCrashReport = [] { return FeedbackReport::latestCrashReport(); };
    chooseMail = true;

    FeedbackComposer::presentFeedback(services);

    const QString clipboard = QApplication::clipboard()->text();
    EXPECT_EQ(clipboard.split('\n').last(), "最近崩溃日志：未找到");
    EXPECT_TRUE(reveal->revealed.empty());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].second, FeedbackReport::alertText(false, "help@quillo.test"));
    EXPECT_EQ(mailOffered, std::vector<bool>{true});

    ASSERT_EQ(urls->opened.size(), 1u);
    const QUrl mail = urls->opened[0];
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path(), "help@quillo.test");
    const QUrlQuery query(mail);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Quillo 反馈");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), clipboard);
}

// A build that names no support address: no address in the text, no mail.
TEST_F(FeedbackFixture, WithoutASupportAddressTheAlertNamesNoneAndOffersNoMail) {
    services.supportAddress.clear();
    chooseMail = true; // even a dialog that answered "mail" sends nothing
    for (bool crash : {false, true}) {
        services.latestCrashReport = [crash]() -> std::optional<std::filesystem::path> {
            if (crash) {
                return std::filesystem::path("/tmp/QuilloMac-1.crash");
            }
            return std::nullopt;
        };
        FeedbackComposer::presentFeedback(services);
    }
    ASSERT_EQ(alerts.size(), 2u);
    for (const auto& [title, text] : alerts) {
        EXPECT_FALSE(text.contains("%1")) << text.toStdString();
        EXPECT_FALSE(text.contains("@")) << text.toStdString();
        EXPECT_FALSE(text.contains("到 、")) << text.toStdString();
        EXPECT_TRUE(text.contains("GitHub issue")) << text.toStdString();
    }
    EXPECT_NE(alerts[0].second, alerts[1].second);
    EXPECT_EQ(mailOffered, (std::vector<bool>{false, false}));
    EXPECT_TRUE(urls->opened.empty());
    EXPECT_FALSE(FeedbackReport::mailLink("body", QString()).isValid());
}

} // namespace
} // namespace quillo
