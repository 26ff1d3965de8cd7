// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <filesystem>
#include <optional>

namespace quillo::FeedbackReport {

// What the feedback flow puts on the clipboard and in the mail, without any
// window: the window half (clipboard, file manager, alert, mail program) sits
// on top of these.

// "v<version> (<build>)", from the values compiled in at configure time.
std::string versionString();

// The operating system as a user would name it, with the kernel, e.g.
// "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64".
QString systemVersionString();

// The newest crash report of the monitor in `folder` (by modification time;
// hidden files and other programs' reports are skipped). None when there is
// none or the folder cannot be read.
std::optional<std::filesystem::path> latestCrashReport(const std::filesystem::path& folder);
std::optional<std::filesystem::path> latestCrashReport(); // in CrashHandler::crashFolder()

// The report's lines: questions for the user, then version, system, the
// diagnostic log's path and the newest crash report (or that there is none).
QStringList bodyLines(const std::optional<std::filesystem::path>& crash);
QString composeBody(const std::optional<std::filesystem::path>& crash); // lines joined by "\n"

// The text under the alert's title, which differs when a crash report was
// found and revealed; it names the support address when there is one.
QString alertText(bool crashReportFound, const QString& supportAddress);
QString alertText(bool crashReportFound); // with this build's support address

// mailto:<support address>?subject=…&body=…; invalid without an address.
QUrl mailLink(const QString& body, const QString& supportAddress);
QUrl mailLink(const QString& body); // to this build's support address

// The support address and the project's home page this build was configured
// with; empty when it names none.
QString supportAddress();
QString homePage();

} // namespace quillo::FeedbackReport
