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
    : QDialog(parent), plan_(std::make_unique<const HookInstaller::Plan>(plan)) {
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
    view_ = new HookDiffView(plan);
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
    apply_->setEnabled(!plan.isNoOp);
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
