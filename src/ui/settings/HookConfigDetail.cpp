// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookConfigDetail.h"

#include "HookDiffSheet.h"
#include "SettingsCategory.h"
#include "SettingsRow.h"
#include "app/Background.h"
#include "installer/HookInstaller.h"
#include "installer/HookStatusText.h"
#include "platform/FileRevealer.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/SurfaceCard.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

// Some air around a button's label.
void roomy(QPushButton* button) {
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 28);
    button->setMinimumHeight(26);
}

struct Applied {
    HookInstaller::ApplyResult result;
    bool installed = false;
    int registeredEventCount = 0;
};

} // namespace

HookConfigDetail::HookConfigDetail(SettingsServices services, QWidget* parent)
    : SettingsPane(label(SettingsCategory::hookConfig), parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("pane-hookConfig"));
    SurfaceCard* card = addCard();

    statusSlot_ = new QWidget;
    auto* slotLayout = new QVBoxLayout(statusSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    card->addWidget(statusSlot_);

    auto* actions = new QWidget;
    auto* actionsLayout = new QHBoxLayout(actions);
    actionsLayout->setContentsMargins(16, 10, 16, 12);
    actionsLayout->setSpacing(8);
    auto* path =
        makeLabel(QStringLiteral("~/.claude/settings.json"), 11, QFont::Normal, Theme::fgDim());
    path->setFont(Fonts::monospaced(11));
    path->setObjectName(QStringLiteral("hookSettingsPath"));
    actionsLayout->addWidget(path);
    actionsLayout->addStretch();
    reveal_ =
        new QPushButton(QCoreApplication::translate("HookConfigDetail", "查看 settings.json"));
    reveal_->setObjectName(QStringLiteral("revealSettingsButton"));
    reveal_->setAccessibleName(reveal_->text());
    roomy(reveal_);
    primary_ = new QPushButton;
    primary_->setObjectName(QStringLiteral("hookPrimaryButton"));
    actionsLayout->addWidget(reveal_);
    actionsLayout->addWidget(primary_);
    card->addWidget(actions);
    connect(primary_, &QPushButton::clicked, this, &HookConfigDetail::reinstallHook);
    connect(reveal_, &QPushButton::clicked, this, &HookConfigDetail::revealSettingsFile);

    message_ = makeLabel(QString(), 11, QFont::Normal, Theme::fgMuted());
    message_->setObjectName(QStringLiteral("hookActionMessage"));
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->hide();
    body()->addWidget(message_);

    readStatus();
}

std::filesystem::path HookConfigDetail::settingsFile() const {
    return services_.hookSetup ? services_.hookSetup->settingsPath : HookInstaller::settingsPath();
}

HookDiffSheet* HookConfigDetail::hookDiffSheet() const {
    return sheet_;
}

void HookConfigDetail::showEvent(QShowEvent* event) {
    SettingsPane::showEvent(event);
    // The file may have changed while the pane was hidden (Claude Code, the
    // user, onboarding).
    readStatus();
}

void HookConfigDetail::readStatus() {
    const std::filesystem::path file = settingsFile();
    hookInstalled_ = HookInstaller::isInstalled(file);
    registeredEventCount_ =
        hookInstalled_ ? static_cast<int>(HookInstaller::registeredEvents(file).size()) : 0;
    updateView();
}

void HookConfigDetail::setMessage(std::optional<QString> message) {
    hookActionMessage_ = std::move(message);
    updateView();
}

void HookConfigDetail::updateView() {
    const QString title =
        hookInstalled_ ? QCoreApplication::translate("HookConfigDetail", "已配置 — 正常运行中")
                       : QCoreApplication::translate("HookConfigDetail", "未配置");
    const QString subtitle =
        hookInstalled_ ? hookStatusSubtitle(registeredEventCount_)
                       : QCoreApplication::translate(
                             "HookConfigDetail", "未在 settings.json 中检测到 Quillo Hook 条目");
    if (statusRow_ == nullptr || statusRow_->title() != title ||
        statusRow_->subtitle() != subtitle) {
        delete statusRow_;
        const QString symbol =
            hookInstalled_ ? QStringLiteral("checkmark") : QStringLiteral("exclamationmark");
        statusRow_ = new SettingsRow({
            .leading = new SymbolView(
                symbol, 15, hookInstalled_ ? Theme::statusActive() : Theme::statusInput(), 22),
            .title = title,
            .subtitle = subtitle,
            .divider = true,
        });
        statusRow_->setObjectName(QStringLiteral("hookStatusRow"));
        statusSlot_->layout()->addWidget(statusRow_);
    }

    primary_->setText(hookBusy_ ? QCoreApplication::translate("HookConfigDetail", "处理中...")
                      : hookInstalled_
                          ? QCoreApplication::translate("HookConfigDetail", "重新配置")
                          : QCoreApplication::translate("HookConfigDetail", "安装 Hook"));
    primary_->setAccessibleName(primary_->text());
    roomy(primary_);
    primary_->setEnabled(!hookBusy_);
    reveal_->setEnabled(!hookBusy_);
    message_->setVisible(hookActionMessage_.has_value());
    message_->setText(hookActionMessage_.value_or(QString()));
    message_->setAccessibleName(message_->text());
    emit stateChanged();
}

void HookConfigDetail::reinstallHook() {
    if (hookBusy_) {
        return;
    }
    hookBusy_ = true;
    setMessage(QCoreApplication::translate("HookConfigDetail", "正在准备配置预览..."));
    std::shared_ptr<const HookInstaller::Setup> setup = services_.hookSetup;
    runInBackground(
        this,
        [setup] {
            return HookInstaller::computePlan(setup ? *setup : HookInstaller::installSetup());
        },
        [this](const HookInstaller::Plan& plan) {
            hookBusy_ = false;
            hookActionMessage_.reset();
            updateView();
            showPlan(plan);
        });
}

void HookConfigDetail::showPlan(const HookInstaller::Plan& plan) {
    if (sheet_ != nullptr) {
        sheet_->close();
    }
    auto* sheet = new HookDiffSheet(plan, window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    // The plan is forgotten with the sheet: cancelling writes nothing.
    connect(sheet, &HookDiffSheet::applyRequested, this,
            [this, sheet] { applyHook(sheet->plan()); });
    sheet_ = sheet;
    sheet->open();
}

void HookConfigDetail::applyHook(const HookInstaller::Plan& plan) {
    if (hookBusy_) {
        return;
    }
    hookBusy_ = true;
    setMessage(QCoreApplication::translate("HookConfigDetail", "正在写入配置..."));
    runInBackground(
        this,
        [plan] {
            Applied applied;
            applied.result = HookInstaller::apply(plan);
            applied.installed = HookInstaller::isInstalled(plan.settingsPath);
            applied.registeredEventCount =
                static_cast<int>(HookInstaller::registeredEvents(plan.settingsPath).size());
            return applied;
        },
        [this](const Applied& applied) {
            hookBusy_ = false;
            if (applied.result.success) {
                const QString backup =
                    applied.result.backupPath
                        ? QString::fromStdString(*applied.result.backupPath)
                        : QCoreApplication::translate("HookConfigDetail", "(未备份)");
                hookActionMessage_ =
                    QCoreApplication::translate("HookConfigDetail", "已写入. 备份在 %1")
                        .arg(backup);
            } else {
                const QString reason =
                    applied.result.errorMessage
                        ? QString::fromStdString(*applied.result.errorMessage)
                        : QCoreApplication::translate("HookConfigDetail", "未知错误");
                hookActionMessage_ =
                    QCoreApplication::translate("HookConfigDetail", "写入失败: %1").arg(reason);
            }
            hookInstalled_ = applied.installed;
            registeredEventCount_ = applied.installed ? applied.registeredEventCount : 0;
            updateView();
            if (services_.recheckHooks) {
                services_.recheckHooks();
            }
        });
}

void HookConfigDetail::revealSettingsFile() {
    if (services_.fileRevealer != nullptr) {
        services_.fileRevealer->reveal(QString::fromStdString(settingsFile().string()));
    }
}

} // namespace quillo
