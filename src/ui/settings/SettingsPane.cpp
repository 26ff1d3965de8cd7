// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsPane.h"

#include "DetailHeader.h"
#include "SettingsRow.h"
#include "theme/SurfaceCard.h"

#include <QCoreApplication>
#include <QVBoxLayout>

namespace quillo {

SettingsPane::SettingsPane(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    header_ = new DetailHeader(title);
    layout->addWidget(header_);
    body_ = new QVBoxLayout;
    body_->setSpacing(14);
    layout->addLayout(body_);
    layout->addStretch();
}

SurfaceCard* SettingsPane::addCard() {
    auto* card = new SurfaceCard(nullptr, 0);
    body_->addWidget(card);
    return card;
}

void SettingsPane::addNotYetAvailable() {
    auto* row = new SettingsRow({
        .leadingIcon = QStringLiteral("questionmark.circle"),
        .title = QCoreApplication::translate("SettingsPane", "尚未提供"),
        .subtitle = QCoreApplication::translate("SettingsPane",
                                                "这一页的设置还没有实现, 会在后续版本中提供。"),
    });
    row->setObjectName(QStringLiteral("notYetAvailable"));
    addCard()->addWidget(row);
}

} // namespace quillo
