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
        services.askToMail = [this](const QString& title, const QString& text) {
            alerts.push_back({title, text});
            return chooseMail;
        };
    }

    test::TempHome home;
    std::shared_ptr<FakeFileRevealer> reveal = std::make_shared<FakeFileRevealer>();
    std::shared_ptr<FakeUrlOpener> urls = std::make_shared<FakeUrlOpener>();
    std::vector<std::pair<QString, QString>> alerts;
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
    EXPECT_EQ(alerts[0].second, FeedbackReport::alertText(true));
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
    EXPECT_EQ(alerts[0].second, FeedbackReport::alertText(false));

    ASSERT_EQ(urls->opened.size(), 1u);
    const QUrl mail = urls->opened[0];
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path(), FeedbackReport::supportAddress());
    const QUrlQuery query(mail);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Quillo 反馈");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), clipboard);
}

} // namespace
} // namespace quillo
