// SPDX-License-Identifier: GPL-3.0-or-later
#include "PairingAddressText.h"

#include "settings/PaneButton.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Theme.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace quillo {

namespace {

QString copyLabel() {
    return QCoreApplication::translate("PairingAddressText", "复制配对地址");
}

} // namespace

PairingAddressText::PairingAddressText(Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    label_ = makeLabel(QString(), 10.5, QFont::Normal, Theme::fgMuted());
    label_->setObjectName(QStringLiteral("pairingAddress"));
    label_->setFont(Fonts::monospaced(10.5));
    label_->setWordWrap(true);
    label_->setAlignment(alignment);
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label_);

    copy_ = new PaneButton(QString(), copyLabel());
    copy_->setObjectName(QStringLiteral("copyPairingAddress"));
    connect(copy_, &PaneButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(address_);
        copy_->setText(QCoreApplication::translate("PairingAddressText", "已复制"));
        copy_->updateGeometry();
        QTimer::singleShot(2000, copy_, [this] {
            copy_->setText(copyLabel());
            copy_->updateGeometry();
        });
    });
    layout->addWidget(copy_, 0, alignment & Qt::AlignHorizontal_Mask);
}

QString PairingAddressText::breakableAnywhere(const QString& text) {
    QString breakable;
    breakable.reserve(text.size() * 2);
    for (QChar c : text) {
        breakable += c;
        breakable += QChar(0x200B); // zero-width space
    }
    return breakable;
}

void PairingAddressText::setAddress(const QString& address) {
    address_ = address;
    label_->setText(breakableAnywhere(address));
    label_->setAccessibleName(address);
}

} // namespace quillo
