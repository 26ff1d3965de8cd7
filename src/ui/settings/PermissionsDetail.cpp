// SPDX-License-Identifier: GPL-3.0-or-later
#include "PermissionsDetail.h"

#include "SettingsCategory.h"
#include "system/SystemChecksView.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/SurfaceCard.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>

namespace quillo {

PermissionsDetail::PermissionsDetail(SettingsServices services, QWidget* parent)
    : SettingsPane(label(SettingsCategory::permissions), parent) {
    setObjectName(QStringLiteral("pane-permissions"));
    checks_ = new SystemChecksView;
    // The port the phone link really listens on, which the environment or a
    // taken standard port may have moved.
    if (services.pairingAddress) {
        checks_->setPortSource(
            [source = std::move(services.pairingAddress)]() -> std::optional<quint16> {
                auto address = source();
                return address ? std::optional<quint16>(address->port) : std::nullopt;
            });
    }
    if (services.phoneConnected) {
        checks_->setPhoneConnectedSource(std::move(services.phoneConnected));
    }
    addCard()->addWidget(checks_);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(12);
    auto* note = makeLabel(QCoreApplication::translate(
                               "PermissionsDetail",
                               "Linux 没有统一的隐私授权页。这里检查 Quillo 依赖的系统服务与设置；"
                               "复制的命令需要在终端里运行。"),
                           11, QFont::Normal, Theme::fgDim());
    note->setWordWrap(true);
    footer->addWidget(note, 1);
    auto* again = new QPushButton(QCoreApplication::translate("PermissionsDetail", "重新检查"));
    again->setObjectName(QStringLiteral("recheck"));
    again->setFont(Fonts::ui(11.5));
    again->setAccessibleName(again->text());
    connect(again, &QPushButton::clicked, checks_, &SystemChecksView::refresh);
    footer->addWidget(again, 0, Qt::AlignTop);
    body()->addLayout(footer);
}

} // namespace quillo
