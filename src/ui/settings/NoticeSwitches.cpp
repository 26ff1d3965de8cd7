// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoticeSwitches.h"

#include "SettingsRow.h"
#include "app/HeadlessParts.h"
#include "notices/Notifier.h"
#include "notices/SessionNotices.h"
#include "platform/SettingsStore.h"
#include "theme/SurfaceCard.h"
#include "theme/Switch.h"

#include <QCheckBox>
#include <QCoreApplication>

namespace quillo {

namespace {

QString permissionSubtitle() {
    return QCoreApplication::translate("GeneralDetail",
                                       "Claude Code 请求权限时弹出桌面通知, 点击通知切换到终端");
}

QString inputSubtitle() {
    return QCoreApplication::translate("GeneralDetail",
                                       "会话工作至少 10 秒后停下等待你时弹出桌面通知");
}

QString noServiceSubtitle() {
    return QCoreApplication::translate("GeneralDetail", "桌面上没有通知服务, 无法发送通知");
}

} // namespace

NoticeSwitches::NoticeSwitches(SurfaceCard& card, SettingsStore* settings, Notifier* notifier,
                               QObject* parent)
    : QObject(parent), settings_(settings) {
    const auto addRow = [&](const char* key, const QString& name, const QString& title,
                            const QString& subtitle, QCheckBox*& box, SettingsRow*& row) {
        box = new Switch;
        box->setObjectName(name);
        box->setAccessibleName(title);
        if (settings_ != nullptr) {
            box->setChecked(SessionNotices::enabled(*settings_, key));
            connect(box, &QCheckBox::toggled, this,
                    [this, key](bool on) { SessionNotices::setEnabled(*settings_, key, on); });
        }
        row = new SettingsRow({
            .title = title,
            .subtitle = subtitle,
            .divider = true,
            .trailing = box,
        });
        card.addWidget(row);
    };
    addRow(SessionNotices::permissionKey, QStringLiteral("notifyPermission"),
           QCoreApplication::translate("GeneralDetail", "会话需要权限时通知"), permissionSubtitle(),
           permission_, permissionRow_);
    addRow(SessionNotices::inputKey, QStringLiteral("notifyInput"),
           QCoreApplication::translate("GeneralDetail", "会话等待输入时通知"), inputSubtitle(),
           input_, inputRow_);
    SettingsRow* answerRow = nullptr;
    addRow(HeadlessParts::answerPermissionsKey, QStringLiteral("answerPermissions"),
           QCoreApplication::translate("GeneralDetail", "在 Quillo 中回答权限请求"),
           QCoreApplication::translate(
               "GeneralDetail",
               "在 Quillo 中允许或拒绝 Claude Code 的权限请求, 终端里的对话框照常可用"),
           answer_, answerRow);
    answer_->setEnabled(settings_ != nullptr);

    if (notifier != nullptr) {
        connect(notifier, &Notifier::availabilityChanged, this, &NoticeSwitches::showAvailability);
    }
    showAvailability(notifier != nullptr && notifier->isAvailable());
}

void NoticeSwitches::showAvailability(bool available) {
    const bool usable = available && settings_ != nullptr;
    permission_->setEnabled(usable);
    input_->setEnabled(usable);
    permissionRow_->setSubtitle(available ? permissionSubtitle() : noServiceSubtitle());
    inputRow_->setSubtitle(available ? inputSubtitle() : noServiceSubtitle());
}

} // namespace quillo
