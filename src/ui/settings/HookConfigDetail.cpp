// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookConfigDetail.h"

#include "HookDiffSheet.h"
#include "SettingsCategory.h"
#include "SettingsRow.h"
#include "app/Background.h"
#include "installer/HookHealthMonitor.h"
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
    HookInstaller::SettingsStatus status; // read after the write, on its thread
    // The file changed since the plan was made: the plan for what it holds now.
    std::shared_ptr<const HookInstaller::Plan> newPlan;
};

HookInstaller::Plan planFor(const std::shared_ptr<const HookInstaller::Setup>& setup) {
    return HookInstaller::computePlan(setup ? *setup : HookInstaller::installSetup());
}

} // namespace

HookConfigDetail::HookConfigDetail(SettingsServices services, QWidget* parent)
    : SettingsPane(label(SettingsCategory::hookConfig), parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("pane-hookConfig"));
    SurfaceCard* card = addCard();

    statusSlot_ = new QWidget;
    auto* slotLayout = new QVBoxLayout(statusSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    card->addWidget(statusSlot_);

    // Events the installed Claude Code supports but the file lacks: an update
    // offered through the same preview, not an error.
    eventsNote_ = makeLabel(QString(), 11, QFont::Normal, Theme::fgMuted());
    eventsNote_->setObjectName(QStringLiteral("hookEventsNote"));
    eventsNote_->setWordWrap(true);
    eventsNote_->setContentsMargins(16, 8, 16, 0);
    eventsNote_->hide();
    card->addWidget(eventsNote_);
    if (services_.health != nullptr) {
        connect(services_.health, &HookHealthMonitor::missingEventsChanged, this,
                &HookConfigDetail::updateView);
    }

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

    // The status is read when the pane is shown (off the main thread).
    updateView();
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
    // user, onboarding), and Claude Code may have been updated.
    readStatus();
    if (services_.recheckClaudeCodeEvents) {
        services_.recheckClaudeCodeEvents();
    }
}

void HookConfigDetail::readStatus() {
    // Off the main thread: a settings file can be many megabytes.
    const std::uint64_t reading = ++statusReads_;
    runInBackground(
        this, [file = settingsFile()] { return HookInstaller::settingsStatus(file); },
        [this, reading](const HookInstaller::SettingsStatus& status) {
            if (reading != statusReads_) {
                return; // a newer reading is under way
            }
            statusRead_ = statusReads_;
            hookInstalled_ = status.installed;
            registeredEventCount_ =
                status.installed ? static_cast<int>(status.registeredEvents.size()) : 0;
            attention_ = QString::fromStdString(status.attention.value_or(""));
            updateView();
        });
}

void HookConfigDetail::setMessage(std::optional<QString> message) {
    hookActionMessage_ = std::move(message);
    updateView();
}

void HookConfigDetail::updateView() {
    QString title = hookInstalled_
                        ? QCoreApplication::translate("HookConfigDetail", "已配置 — 正常运行中")
                        : QCoreApplication::translate("HookConfigDetail", "未配置");
    QString subtitle =
        hookInstalled_ ? hookStatusSubtitle(registeredEventCount_)
                       : QCoreApplication::translate(
                             "HookConfigDetail", "未在 settings.json 中检测到 Quillo Hook 条目");
    if (!attention_.isEmpty()) {
        title = QCoreApplication::translate("HookConfigDetail", "settings.json 需要你先处理");
        subtitle = attention_;
    }
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

    const QStringList missing =
        services_.health != nullptr ? services_.health->missingEvents() : QStringList();
    const bool offerEvents = hookInstalled_ && attention_.isEmpty() && !missing.isEmpty();
    eventsNote_->setText(
        offerEvents ? QCoreApplication::translate("HookConfigDetail",
                                                  "已安装的 Claude Code 还支持 %1，尚未注册。"
                                                  "点「重新配置」预览并添加，状态会更及时。")
                          .arg(missing.join(QStringLiteral(", ")))
                    : QString());
    eventsNote_->setAccessibleName(eventsNote_->text());
    eventsNote_->setVisible(offerEvents);

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
    runInBackground(
        this,
        [setup = services_.hookSetup] {
            return std::make_shared<const HookInstaller::Plan>(planFor(setup));
        },
        [this](const std::shared_ptr<const HookInstaller::Plan>& plan) {
            hookBusy_ = false;
            hookActionMessage_.reset();
            updateView();
            showPlan(plan, false);
        });
}

void HookConfigDetail::showPlan(std::shared_ptr<const HookInstaller::Plan> plan, bool fileChanged) {
    if (sheet_ != nullptr) {
        sheet_->close();
    }
    auto* sheet = new HookDiffSheet(std::move(plan), fileChanged, window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    // The plan is forgotten with the sheet: cancelling writes nothing.
    connect(sheet, &HookDiffSheet::applyRequested, this,
            [this, sheet] { applyHook(sheet->sharedPlan()); });
    sheet_ = sheet;
    sheet->open();
}

void HookConfigDetail::applyHook(const HookInstaller::Plan& plan) {
    applyHook(std::make_shared<const HookInstaller::Plan>(plan));
}

void HookConfigDetail::applyHook(std::shared_ptr<const HookInstaller::Plan> plan) {
    if (hookBusy_) {
        return;
    }
    hookBusy_ = true;
    setMessage(QCoreApplication::translate("HookConfigDetail", "正在写入配置..."));
    runInBackground(
        this,
        [plan, setup = services_.hookSetup] {
            Applied applied;
            applied.result = HookInstaller::apply(*plan);
            if (applied.result.fileChanged) {
                applied.newPlan = std::make_shared<const HookInstaller::Plan>(planFor(setup));
            }
            applied.status = HookInstaller::settingsStatus(plan->settingsPath);
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
            } else if (applied.result.fileChanged) {
                hookActionMessage_ = QCoreApplication::translate(
                    "HookConfigDetail", "settings.json 在预览后被修改过, 未写入。请确认新的预览");
            } else {
                const QString reason =
                    applied.result.errorMessage
                        ? QString::fromStdString(*applied.result.errorMessage)
                        : QCoreApplication::translate("HookConfigDetail", "未知错误");
                hookActionMessage_ =
                    QCoreApplication::translate("HookConfigDetail", "写入失败: %1").arg(reason);
            }
            hookInstalled_ = applied.status.installed;
            registeredEventCount_ = applied.status.installed
                                        ? static_cast<int>(applied.status.registeredEvents.size())
                                        : 0;
            attention_ = QString::fromStdString(applied.status.attention.value_or(""));
            updateView();
            if (services_.recheckHooks) {
                services_.recheckHooks();
            }
            if (applied.newPlan) {
                showPlan(applied.newPlan, true);
            }
        });
}

void HookConfigDetail::revealSettingsFile() {
    if (services_.fileRevealer != nullptr) {
        services_.fileRevealer->reveal(QString::fromStdString(settingsFile().string()));
    }
}

} // namespace quillo
