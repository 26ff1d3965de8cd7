// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FeedbackReport.h"
#include "DiagnosticLogger.h"
#include "TempDir.h"
#include "app/CrashHandler.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::TempDir;
using test::TempHome;
using test::writeFile;

// Writes a file whose modification time is `minutesAgo` minutes in the past.
void writeAged(const std::filesystem::path& path, int minutesAgo) {
    writeFile(path, "report");
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::minutes(minutesAgo));
}

TEST(FeedbackReport, LatestCrashReportIsTheNewestOfThisProgramsReports) {
    TempDir folder;
    writeAged(folder / "QuilloMac-2026-01-01-000000.crash", 30);
    writeAged(folder / "QuilloMac-2025-01-01-000000.crash", 10); // newest, despite its name
    writeAged(folder / "Quillo-2026-01-01-000000.crash", 20);
    // Newer, but not ours or not a report.
    writeAged(folder / "Other-2026-01-01-000000.crash", 1);
    writeAged(folder / "QuilloMac-2026-01-01-000000.ips", 1);
    writeAged(folder / "QuilloMac-notes.txt", 1);
    writeAged(folder / ".QuilloMac-2026-01-01-000000.crash", 1);
    std::filesystem::create_directory(folder / "QuilloMac-folder.crash.d");

    EXPECT_EQ(FeedbackReport::latestCrashReport(folder.path()),
              folder / "QuilloMac-2025-01-01-000000.crash");

    writeAged(folder / "Quillo-2027-01-01-000000.crash", 0);
    EXPECT_EQ(FeedbackReport::latestCrashReport(folder.path()),
              folder / "Quillo-2027-01-01-000000.crash");
}

TEST(FeedbackReport, NoCrashReportWhenTheFolderIsMissingEmptyOrUnreadable) {
    TempDir folder;
    EXPECT_EQ(FeedbackReport::latestCrashReport(folder / "missing"), std::nullopt);
    EXPECT_EQ(FeedbackReport::latestCrashReport(folder.path()), std::nullopt);
    writeFile(folder / "file", "");
    EXPECT_EQ(FeedbackReport::latestCrashReport(folder / "file"), std::nullopt);
}

TEST(FeedbackReport, BodyListsVersionSystemLogAndTheCrashReportOrItsAbsence) {
    TempHome home;
    const auto report = CrashHandler::crashFolder() / "QuilloMac-2026-12-07-101500.crash";

    const QStringList without = FeedbackReport::bodyLines(std::nullopt);
    ASSERT_EQ(without.size(), 8);
    EXPECT_EQ(without[0], "请简单描述你遇到的问题：");
    EXPECT_EQ(without[1], "");
    EXPECT_EQ(without[2], "");
    EXPECT_EQ(without[3], "----");
    EXPECT_EQ(without[4].toStdString(), "版本：" + FeedbackReport::versionString());
    const std::string version = FeedbackReport::versionString();
    EXPECT_TRUE(version.starts_with("v") && version.ends_with(")") &&
                version.find(" (") != std::string::npos &&
                version.find_first_not_of("v0123456789. ()") == std::string::npos)
        << version;
    EXPECT_TRUE(without[5].startsWith("系统：") && without[5].contains("Linux"))
        << without[5].toStdString();
    EXPECT_EQ(without[6].toStdString(), "诊断日志：" + DiagnosticLogger::fileURL().string());
    EXPECT_TRUE(without[6].contains(QString::fromStdString(home.appSupport().string())));
    EXPECT_EQ(without[7], "最近崩溃日志：未找到");

    const QStringList with = FeedbackReport::bodyLines(report);
    ASSERT_EQ(with.size(), 8);
    EXPECT_EQ(with.mid(0, 7), without.mid(0, 7));
    EXPECT_EQ(with[7].toStdString(), "最近崩溃日志：" + report.string());

    EXPECT_EQ(FeedbackReport::composeBody(report), with.join('\n'));
}

// The body holds paths and free text: characters that mean something in a
// link must come back unchanged in the mail program.
TEST(FeedbackReport, MailLinkCarriesSubjectAndBodyUnchanged) {
    const QString body = "a & b = c + d; 100% #1?\n第二行 /tmp/x y";
    const QUrl link = FeedbackReport::mailLink(body, "help@quillo.test");
    ASSERT_TRUE(link.isValid());
    EXPECT_EQ(link.scheme(), "mailto");
    EXPECT_EQ(link.path(), "help@quillo.test");

    const QByteArray encoded = link.toEncoded();
    const QUrl reparsed = QUrl::fromEncoded(encoded);
    const QUrlQuery query(reparsed);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "Quillo 反馈");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), body) << encoded.toStdString();
    // Mail programs read "+" as a plus or as a space; an encoded one is unambiguous.
    EXPECT_FALSE(encoded.contains("+")) << encoded.toStdString();
}

} // namespace
} // namespace quillo
