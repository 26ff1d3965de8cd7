// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookDiffSheet.h"

#include "installer/HookInstaller.h"
#include "onboarding/HookDiffView.h"
#include "theme/Label.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int sheetWidth = 620;

} // namespace

HookDiffSheet::HookDiffSheet(const HookInstaller::Plan& plan, QWidget* parent)
    : HookDiffSheet(std::make_shared<const HookInstaller::Plan>(plan), false, parent) {}

HookDiffSheet::HookDiffSheet(std::shared_ptr<const HookInstaller::Plan> sharedPlan,
                             bool fileChanged, QWidget* parent)
    : QDialog(parent), plan_(std::move(sharedPlan)) {
    const HookInstaller::Plan& plan = *plan_;
    setObjectName(QStringLiteral("hookDiffSheet"));
    const QString title = QCoreApplication::translate("HookDiffSheet", "Hook 配置预览");
    setWindowTitle(title);
    setFixedWidth(sheetWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* top = new QVBoxLayout;
    top->setContentsMargins(20, 20, 20, 20);
    top->setSpacing(14);
    auto* header = new QHBoxLayout;
    auto* titleLabel = makeLabel(title, 15, QFont::DemiBold, Theme::fg());
    titleLabel->setObjectName(QStringLiteral("hookDiffTitle"));
    header->addWidget(titleLabel);
    header->addStretch();
    top->addLayout(header);
    view_ = new HookDiffView;
    view_->setPlan(plan_, fileChanged);
    top->addWidget(view_);
    layout->addLayout(top);

    auto* divider = new QWidget;
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, Theme::lineSoft());
    divider->setPalette(dividerPalette);
    layout->addWidget(divider);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 12, 12, 12);
    buttons->setSpacing(8);
    buttons->addStretch();
    cancel_ = new QPushButton(QCoreApplication::translate("HookDiffSheet", "取消"));
    cancel_->setObjectName(QStringLiteral("hookDiffCancel"));
    cancel_->setAccessibleName(cancel_->text());
    // Return belongs to the apply button, even when the focus is here.
    cancel_->setAutoDefault(false);
    apply_ = new QPushButton(plan.isNoOp ? QCoreApplication::translate("HookDiffSheet", "已是最新")
                                         : QCoreApplication::translate("HookDiffSheet", "应用"));
    apply_->setObjectName(QStringLiteral("hookDiffApply"));
    apply_->setAccessibleName(apply_->text());
    apply_->setDefault(true);
    // Nothing to apply, or nothing the installer would write.
    apply_->setEnabled(!plan.isNoOp && !plan.refused());
    buttons->addWidget(cancel_);
    buttons->addWidget(apply_);
    layout->addLayout(buttons);

    // Escape and the close button reject the dialog: both are a cancel.
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [this](int result) {
        if (result == QDialog::Accepted) {
            emit applyRequested();
        } else {
            emit cancelled();
        }
    });
}

HookDiffSheet::~HookDiffSheet() = default;

void HookDiffSheet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::bgBase());
}

} // namespace quillo
