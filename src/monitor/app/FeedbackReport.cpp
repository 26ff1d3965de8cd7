// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FeedbackReport.h"

#include "DiagnosticLogger.h"
#include "app/BuildVersion.h"
#include "app/CrashHandler.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <algorithm>
#include <string_view>
#include <vector>

namespace quillo::FeedbackReport {

namespace {

bool isReportName(std::string_view name) {
    const bool ours = name.starts_with("QuilloMac-") || name.starts_with("Quillo-");
    return ours && name.ends_with(".crash");
}

} // namespace

std::string versionString() {
    const std::string_view version = BuildVersion::shortVersion;
    const std::string_view build = BuildVersion::buildNumber;
    return "v" + std::string(version.empty() ? "0.0" : version) + " (" +
           std::string(build.empty() ? "unknown" : build) + ")";
}

QString systemVersionString() {
    return QSysInfo::prettyProductName() + QStringLiteral(", ") + QSysInfo::kernelType() +
           QStringLiteral(" ") + QSysInfo::kernelVersion();
}

std::optional<std::filesystem::path> latestCrashReport(const std::filesystem::path& folder) {
    using Clock = std::filesystem::file_time_type;
    std::vector<std::pair<Clock, std::filesystem::path>> reports;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(".") || !isReportName(name)) {
            continue;
        }
        std::error_code timeError;
        Clock modified = it->last_write_time(timeError);
        reports.emplace_back(timeError ? Clock::min() : modified, it->path());
    }
    if (reports.empty()) {
        return std::nullopt;
    }
    std::stable_sort(reports.begin(), reports.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    return reports.front().second;
}

std::optional<std::filesystem::path> latestCrashReport() {
    return latestCrashReport(CrashHandler::crashFolder());
}

QStringList bodyLines(const std::optional<std::filesystem::path>& crash) {
    const QString crashText =
        crash ? QCoreApplication::translate("FeedbackComposer", "最近崩溃日志：") +
                    QString::fromStdString(crash->string())
              : QCoreApplication::translate("FeedbackComposer", "最近崩溃日志：未找到");
    return {
        QCoreApplication::translate("FeedbackComposer", "请简单描述你遇到的问题："),
        QString(),
        QString(),
        QStringLiteral("----"),
        QCoreApplication::translate("FeedbackComposer", "版本：") +
            QString::fromStdString(versionString()),
        QCoreApplication::translate("FeedbackComposer", "系统：") + systemVersionString(),
        QCoreApplication::translate("FeedbackComposer", "诊断日志：") +
            QString::fromStdString(DiagnosticLogger::fileURL().string()),
        crashText,
    };
}

QString composeBody(const std::optional<std::filesystem::path>& crash) {
    return bodyLines(crash).join(QLatin1Char('\n'));
}

QString supportAddress() {
    return QString::fromUtf8(BuildVersion::supportEmail).trimmed();
}

QString homePage() {
    return QString::fromUtf8(BuildVersion::homePage).trimmed();
}

QString alertText(bool crashReportFound, const QString& supportAddress) {
    if (supportAddress.isEmpty()) {
        if (crashReportFound) {
            return QCoreApplication::translate(
                "FeedbackComposer",
                "最近一份崩溃日志已在文件管理器中标出。\n请把剪贴板内容粘贴到 GitHub issue "
                "或任意聊天工具, 并附带文件管理器里高亮的 .crash 文件。");
        }
        return QCoreApplication::translate(
            "FeedbackComposer", "未发现近期崩溃日志, 仅复制了基础诊断信息。\n请把剪贴板内容粘贴到 "
                                "GitHub issue 或任意聊天工具。");
    }
    if (crashReportFound) {
        return QCoreApplication::translate(
                   "FeedbackComposer",
                   "最近一份崩溃日志已在文件管理器中标出。\n请把剪贴板内容粘贴到 %1、GitHub issue "
                   "或任意聊天工具, 并附带文件管理器里高亮的 .crash 文件。")
            .arg(supportAddress);
    }
    return QCoreApplication::translate(
               "FeedbackComposer",
               "未发现近期崩溃日志, 仅复制了基础诊断信息。\n请把剪贴板内容粘贴到 %1、GitHub issue "
               "或任意聊天工具。")
        .arg(supportAddress);
}

QString alertText(bool crashReportFound) {
    return alertText(crashReportFound, supportAddress());
}

QUrl mailLink(const QString& body) {
    return mailLink(body, supportAddress());
}

QUrl mailLink(const QString& body, const QString& supportAddress) {
    if (supportAddress.isEmpty()) {
        return {};
    }
    // Everything but the unreserved characters is percent-encoded: a raw "+"
    // reads as a space in some mail programs, a raw "&" would end the body.
    return QUrl::fromEncoded("mailto:" + QUrl::toPercentEncoding(supportAddress, "@") +
                                 "?subject=" +
                                 QUrl::toPercentEncoding(QCoreApplication::translate(
                                     "FeedbackComposer", "Quillo 反馈")) +
                                 "&body=" + QUrl::toPercentEncoding(body),
                             QUrl::StrictMode);
}

} // namespace quillo::FeedbackReport
