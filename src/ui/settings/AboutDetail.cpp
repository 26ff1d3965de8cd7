// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutDetail.h"

#include "FAQCard.h"
#include "PaneButton.h"
#include "SettingsCategory.h"
#include "SettingsRow.h"
#include "UninstallInstructionsSheet.h"
#include "app/FeedbackReport.h"
#include "theme/Label.h"
#include "theme/SurfaceCard.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QDialog>
#include <QVBoxLayout>

namespace quillo {

namespace {

// A button that runs `action`; without one it is shown disabled.
PaneButton* actionButton(const char* objectName, const QString& symbol, const QString& text,
                         std::function<void()> action, const QString& accessibleName) {
    auto* button = new PaneButton(symbol, text);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAccessibleName(accessibleName);
    button->setEnabled(static_cast<bool>(action));
    QObject::connect(button, &QAbstractButton::clicked, button, [action = std::move(action)] {
        if (action) {
            action();
        }
    });
    return button;
}

} // namespace

AboutDetail::AboutDetail(SettingsServices services, QWidget* parent)
    : SettingsPane(label(SettingsCategory::about), parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("pane-about"));
    SurfaceCard* card = addCard();

    auto* version = makeLabel(QString::fromStdString(FeedbackReport::versionString()), 12,
                              QFont::Normal, Theme::fgMuted());
    version->setObjectName(QStringLiteral("versionText"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    card->addWidget(new SettingsRow({
        .title = QCoreApplication::translate("AboutDetail", "版本"),
        .divider = true,
        .trailing = version,
    }));

    // Only a build that names its home page links to one.
    if (!services_.homePage.isEmpty()) {
        const QString homeTitle = QCoreApplication::translate("AboutDetail", "项目主页");
        const QUrl home(services_.homePage);
        auto* row = new SettingsRow({
            .title = homeTitle,
            .subtitle = services_.homePage,
            .divider = true,
            .trailing = actionButton(
                "homePageButton", QStringLiteral("arrow.up.right"),
                QCoreApplication::translate("AboutDetail", "打开"),
                services_.openUrl ? std::function<void()>([open = services_.openUrl, home] {
                    open(home);
                })
                                  : std::function<void()>(),
                homeTitle),
        });
        row->setObjectName(QStringLiteral("homePageRow"));
        card->addWidget(row);
    }

    const QString diagnosticsTitle = QCoreApplication::translate("AboutDetail", "诊断日志");
    card->addWidget(new SettingsRow({
        .title = diagnosticsTitle,
        .subtitle = QCoreApplication::translate("AboutDetail", "查看最近 24 小时的运行日志"),
        .divider = true,
        .trailing = actionButton("diagnosticsButton", QStringLiteral("doc.text.magnifyingglass"),
                                 QCoreApplication::translate("AboutDetail", "查看"),
                                 services_.showDiagnostics, diagnosticsTitle),
    }));

    const QString feedbackTitle = QCoreApplication::translate("AboutDetail", "反馈");
    card->addWidget(new SettingsRow({
        .title = feedbackTitle,
        .subtitle = QCoreApplication::translate(
            "AboutDetail", "复制诊断信息到剪贴板, 并在文件管理器中标出最近一份崩溃日志"),
        .divider = true,
        .trailing = actionButton("feedbackButton", QStringLiteral("exclamationmark.bubble"),
                                 QString(), services_.presentFeedback, feedbackTitle),
    }));

    const QString onboardingTitle = QCoreApplication::translate("AboutDetail", "重看引导");
    card->addWidget(new SettingsRow({
        .title = onboardingTitle,
        .subtitle = QCoreApplication::translate("AboutDetail", "重新运行首次配置流程"),
        .divider = true,
        .trailing = actionButton("onboardingButton", QString(),
                                 QCoreApplication::translate("AboutDetail", "打开"),
                                 services_.showOnboarding, onboardingTitle),
    }));

    const QString uninstallTitle = QCoreApplication::translate("AboutDetail", "卸载说明");
    card->addWidget(new SettingsRow({
        .title = uninstallTitle,
        .subtitle = QCoreApplication::translate("AboutDetail", "如何完全移除 Quillo"),
        .trailing = actionButton(
            "uninstallButton", QString(), QCoreApplication::translate("AboutDetail", "查看"),
            [this] { showUninstallSheet(); }, uninstallTitle),
    }));

    faq_ = new FAQCard(FAQCard::standardItems());
    body()->addWidget(faq_);
}

void AboutDetail::showUninstallSheet() {
    if (sheet_ != nullptr) {
        sheet_->raise();
        return;
    }
    auto* dialog = new QDialog(window());
    dialog->setObjectName(QStringLiteral("uninstallDialog"));
    dialog->setWindowTitle(QCoreApplication::translate("AboutDetail", "卸载说明"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new UninstallInstructionsSheet([dialog] { dialog->close(); }));
    sheet_ = dialog;
    dialog->show();
}

} // namespace quillo
