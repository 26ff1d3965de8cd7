// SPDX-License-Identifier: GPL-3.0-or-later
#include "DangerZoneDetail.h"

#include "ConfigurationReset.h"
#include "LinuxPlaces.h"
#include "PaneButton.h"
#include "SettingsCategory.h"
#include "theme/Label.h"
#include "theme/SurfaceCard.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

bool askWithAlert(QWidget* parent) {
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Quillo"),
                      DangerZoneDetail::confirmTitle(), QMessageBox::NoButton, parent);
    alert.setObjectName(QStringLiteral("cleanupAlert"));
    alert.setInformativeText(DangerZoneDetail::confirmText());
    QPushButton* cancel = alert.addButton(QCoreApplication::translate("DangerZoneDetail", "取消"),
                                          QMessageBox::RejectRole);
    QPushButton* clean =
        alert.addButton(QCoreApplication::translate("DangerZoneDetail", "清理并重启"),
                        QMessageBox::DestructiveRole);
    alert.setDefaultButton(cancel);
    alert.setEscapeButton(cancel);
    alert.exec();
    return alert.clickedButton() == clean;
}

} // namespace

DangerZoneDetail::DangerZoneDetail(SettingsServices services, Confirm confirm, QWidget* parent)
    : SettingsPane(label(SettingsCategory::danger), parent), services_(std::move(services)),
      confirm_(confirm ? std::move(confirm) : Confirm(askWithAlert)) {
    setObjectName(QStringLiteral("pane-danger"));
    auto* card = new SurfaceCard(nullptr, 18);
    card->setObjectName(QStringLiteral("cleanupCard"));
    body()->addWidget(card);

    const QString title = QCoreApplication::translate("DangerZoneDetail", "清理配置信息");
    auto* heading = new QHBoxLayout;
    heading->setSpacing(10);
    heading->addWidget(new SymbolView(QStringLiteral("trash"), 15, Theme::statusPerm(), 20));
    heading->addWidget(makeLabel(title, 13.5, QFont::DemiBold, Theme::fg()), 1);
    card->contentLayout()->addLayout(heading);
    card->contentLayout()->addSpacing(8);

    auto* description = makeLabel(
        QCoreApplication::translate(
            "DangerZoneDetail",
            "将 Quillo 完全恢复到首次启动状态：清掉 Hook 配置、配对的手机、开机自启、全局快捷键、"
            "引导与偏好设置，以及 %1 下的应用数据。清理后 app 会自动重启。")
            .arg(LinuxPlaces::appSupportFolder()),
        11.5, QFont::Normal, Theme::fgDim());
    description->setObjectName(QStringLiteral("cleanupDescription"));
    description->setWordWrap(true);
    card->contentLayout()->addWidget(description);
    card->contentLayout()->addSpacing(14);

    auto* button = new PaneButton(QString(), title, PaneButton::Look::danger);
    button->setObjectName(QStringLiteral("cleanupButton"));
    connect(button, &QAbstractButton::clicked, this, &DangerZoneDetail::requestCleanup);
    card->contentLayout()->addWidget(button, 0, Qt::AlignLeft);
}

QString DangerZoneDetail::confirmTitle() {
    return QCoreApplication::translate("DangerZoneDetail", "清理 Quillo 的配置数据?");
}

QString DangerZoneDetail::confirmText() {
    return QCoreApplication::translate(
               "DangerZoneDetail",
               "将清理以下内容:\n"
               "• ~/.claude/settings.json 中的 Hook 条目\n"
               "• 已配对的手机列表\n"
               "• 开机自启\n"
               "• 全局快捷键设置\n"
               "• 引导与偏好设置 (%1)\n"
               "• %2 下的应用数据 (events / 诊断日志 / 归档)\n"
               "• %3 下的崩溃报告\n\n"
               "清理后 Quillo 会自动重启, 回到首次启动状态. 如需完全卸载, 重启后按「关于 → "
               "卸载说明」退出 Quillo 并删除程序即可.")
        .arg(LinuxPlaces::settingsFile(), LinuxPlaces::appSupportFolder(),
             LinuxPlaces::crashFolder());
}

void DangerZoneDetail::requestCleanup() {
    if (confirm_(window())) {
        performCleanup();
    }
}

void DangerZoneDetail::performCleanup() {
    ConfigurationReset::perform({
        .settings = services_.settings,
        .uninstallHooks = {},
        .setLaunchAtLogin = services_.setLaunchAtLogin,
        .resetShortcut = services_.resetShortcut,
        .relaunch = services_.relaunch,
    });
}

} // namespace quillo
