// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace quillo {

class FileRevealer;
class UrlOpener;

// The feedback flow behind the about pane's "反馈" row: the report goes on the
// clipboard, the newest crash report is shown in the file manager, and an
// alert says what to do with them, offering a prepared mail instead.
namespace FeedbackComposer {

struct Services {
    std::function<std::optional<std::filesystem::path>()> latestCrashReport;
    std::shared_ptr<FileRevealer> reveal;
    std::shared_ptr<UrlOpener> urls;
    // Shows the alert, with "改用邮件发送" when `offerMail`; true when the user
    // chose it.
    std::function<bool(const QString& title, const QString& text, bool offerMail)> askToMail;
    // Where the mail goes; empty: the alert names no address and offers no mail.
    QString supportAddress;
};

// The crash folder, the file manager, the mail program and a message box over
// `parent`.
Services systemServices(QWidget* parent = nullptr);

// Runs the whole flow; returns the text put on the clipboard.
QString presentFeedback(const Services& services);
QString presentFeedback(QWidget* parent = nullptr);

} // namespace FeedbackComposer
} // namespace quillo
