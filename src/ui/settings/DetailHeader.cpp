// SPDX-License-Identifier: GPL-3.0-or-later
#include "DetailHeader.h"

#include "theme/Label.h"
#include "theme/Theme.h"

#include <QHBoxLayout>

namespace quillo {

DetailHeader::DetailHeader(const QString& title, QWidget* trailing, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("detailHeader"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    title_ = makeLabel(title, 18, QFont::DemiBold, Theme::fg());
    title_->setAccessibleName(title);
    title_->setAccessibleDescription(title);
    layout->addWidget(title_);
    layout->addStretch();
    if (trailing != nullptr) {
        layout->addWidget(trailing, 0, Qt::AlignVCenter);
    }
}

QString DetailHeader::title() const {
    return title_->text();
}

} // namespace quillo
