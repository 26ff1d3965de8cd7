// SPDX-License-Identifier: GPL-3.0-or-later
#include "UninstallInstructionsSheet.h"

#include "LinuxPlaces.h"
#include "PaneButton.h"
#include "theme/Label.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace quillo {

UninstallInstructionsSheet::UninstallInstructionsSheet(std::function<void()> onClose,
                                                       QWidget* parent)
    : QWidget(parent), onClose_(std::move(onClose)) {
    setObjectName(QStringLiteral("uninstallSheet"));
    setFixedWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 22, 24, 20);
    layout->setSpacing(14);
    const QString titleText = QCoreApplication::translate("AboutDetail", "卸载 Quillo");
    auto* title = makeLabel(titleText, 16, QFont::DemiBold, Theme::fg());
    title->setAccessibleName(titleText);
    layout->addWidget(title);
    auto* text = makeLabel(instructions(), 12, QFont::Normal, Theme::fgMuted());
    text->setObjectName(QStringLiteral("uninstallText"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new PaneButton(QString(), QCoreApplication::translate("AboutDetail", "好的"));
    ok->setObjectName(QStringLiteral("uninstallClose"));
    connect(ok, &QAbstractButton::clicked, this, [this] {
        if (onClose_) {
            onClose_();
        }
    });
    buttons->addWidget(ok);
    layout->addLayout(buttons);
}

QString UninstallInstructionsSheet::instructions() {
    return QCoreApplication::translate(
               "AboutDetail",
               "完整卸载步骤：\n\n"
               "1. 在「设置 → 危险操作」中点击「清理配置信息」，移除 settings.json 中的 Hook "
               "条目、应用数据、设置和崩溃报告。\n"
               "2. 退出 Quillo（托盘图标 → 退出，或终端 pkill -f QuilloMac）。\n"
               "3. 删除程序：用 Debian 软件包安装的，执行 sudo apt remove quillo；从源码 make "
               "install 安装的，在源码目录执行 make uninstall，它会删除装过的程序 "
               "QuilloMac、QuilloHook、QuilloPeer 以及应用菜单项、图标和手册页。\n"
               "4. 如已开启开机自启，删除 %1。\n"
               "5. 清理会留下 %2 中 settings.json 的备份 (settings.json.quillo-backup-…) "
               "和显示语言设置 %3；不再需要时可以删除它们。")
        .arg(LinuxPlaces::autostartFile(), LinuxPlaces::claudeSettingsFolder(),
             LinuxPlaces::settingsFile());
}

void UninstallInstructionsSheet::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::bgBase());
}

} // namespace quillo
