// SPDX-License-Identifier: GPL-3.0-or-later
#include "FeedbackComposer.h"

#include "app/FeedbackReport.h"
#include "platform/FileRevealer.h"
#include "platform/UrlOpener.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace quillo::FeedbackComposer {

Services systemServices(QWidget* parent) {
    auto urls = std::make_shared<DesktopUrlOpener>();
    QPointer<QWidget> owner(parent);
    return {
        .latestCrashReport = [] { return FeedbackReport::latestCrashReport(); },
        .reveal = std::make_shared<DesktopFileRevealer>(),
        .urls = urls,
        .askToMail =
            [owner](const QString& title, const QString& text, bool offerMail) {
                QMessageBox alert(QMessageBox::Information, QStringLiteral("Quillo"), title,
                                  QMessageBox::NoButton, owner.data());
                alert.setObjectName(QStringLiteral("feedbackAlert"));
                alert.setInformativeText(text);
                QPushButton* ok =
                    alert.addButton(QCoreApplication::translate("FeedbackComposer", "好的"),
                                    QMessageBox::AcceptRole);
                QPushButton* mail =
                    offerMail ? alert.addButton(
                                    QCoreApplication::translate("FeedbackComposer", "改用邮件发送"),
                                    QMessageBox::ActionRole)
                              : nullptr;
                alert.setDefaultButton(ok);
                alert.exec();
                return mail != nullptr && alert.clickedButton() == mail;
            },
        .supportAddress = FeedbackReport::supportAddress(),
    };
}

QString presentFeedback(const Services& services) {
    const std::optional<std::filesystem::path> crash =
        services.latestCrashReport ? services.latestCrashReport() : std::nullopt;
    const QString body = FeedbackReport::composeBody(crash);

    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(body);

    if (crash && services.reveal) {
        services.reveal->reveal(QString::fromStdString(crash->string()));
    }

    const QString title = QCoreApplication::translate("FeedbackComposer", "反馈内容已复制到剪贴板");
    const bool offerMail = !services.supportAddress.isEmpty();
    const bool mail =
        services.askToMail &&
        services.askToMail(
            title, FeedbackReport::alertText(crash.has_value(), services.supportAddress),
            offerMail) &&
        offerMail;
    if (mail && services.urls) {
        const QUrl link = FeedbackReport::mailLink(body, services.supportAddress);
        if (link.isValid()) {
            services.urls->open(link);
        }
    }
    return body;
}

QString presentFeedback(QWidget* parent) {
    return presentFeedback(systemServices(parent));
}

} // namespace quillo::FeedbackComposer
