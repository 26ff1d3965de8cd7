// The feedback flow with a fake file manager, mail program and alert, and
// the file manager's reveal call with its fallback.
#include "TempDir.h"
#include "WidgetTestApp.h"
#include "app/CrashHandler.h"
#include "app/FeedbackReport.h"
#include "diagnostics/FeedbackComposer.h"
#include "platform/FileReveal.h"
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
    std::shared_ptr<FakeFileReveal> reveal = std::make_shared<FakeFileReveal>();
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
    EXPECT_EQ(reveal->revealed, std::vector<std::filesystem::path>{report});
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

TEST(FileReveal, AsksTheFileManagerAndOpensTheFolderOnlyWhenNoneAnswers) {
    const std::filesystem::path file = "/home/me/.local/state/quillo/crashes/QuilloMac-1 2.crash";
    std::vector<DBusCall> calls;
    bool answer = true;
    auto folders = std::make_shared<FakeUrlOpener>();
    DesktopFileReveal reveal(folders, [&](const DBusCall& call, std::function<void(bool)> done) {
        calls.push_back(call);
        done(answer);
    });

    reveal.reveal(file);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].service, "org.freedesktop.FileManager1");
    EXPECT_EQ(calls[0].path, "/org/freedesktop/FileManager1");
    EXPECT_EQ(calls[0].method, "ShowItems");
    ASSERT_EQ(calls[0].arguments.size(), 2);
    EXPECT_EQ(calls[0].arguments[0].toStringList(),
              QStringList{"file:///home/me/.local/state/quillo/crashes/QuilloMac-1%202.crash"});
    EXPECT_TRUE(folders->opened.empty());

    answer = false;
    reveal.reveal(file);
    ASSERT_EQ(folders->opened.size(), 1u);
    EXPECT_EQ(folders->opened[0], QUrl::fromLocalFile("/home/me/.local/state/quillo/crashes"));
}

} // namespace
} // namespace quillo
