// SPDX-License-Identifier: GPL-3.0-or-later
#include "PairedPhonesDetail.h"

#include "SettingsCategory.h"
#include "SettingsRow.h"
#include "networking/HostTransportBridge.h"
#include "networking/PairedClientStorage.h"
#include "pairing/PairingAddressText.h"
#include "pairing/QrCodeView.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/SurfaceCard.h"
#include "theme/Switch.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace quillo {

namespace {

QPushButton* smallButton(const QString& text, const QString& objectName) {
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setFont(Fonts::ui(11.5));
    button->setCursor(Qt::PointingHandCursor);
    button->setAccessibleName(text);
    return button;
}

} // namespace

PairedPhonesDetail::PairedPhonesDetail(SettingsServices services, QWidget* parent)
    : SettingsPane(label(SettingsCategory::pairedPhones), parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("pane-pairedPhones"));

    auto* phonesCard = addCard();
    phones_ = phonesCard->contentLayout();
    note_ = makeLabel(
        QCoreApplication::translate(
            "PairedPhonesDetail", "解除配对后，对应手机将无法再连接到此电脑，需要重新走配对流程。"),
        11, QFont::Normal, Theme::fgDim());
    note_->setObjectName(QStringLiteral("unpairNote"));
    note_->setWordWrap(true);
    body()->addWidget(note_);

    // This computer's pairing address: the code to scan, the text to paste.
    auto* pairCard = addCard();
    pairCard->addWidget(new SettingsRow({
        .leadingIcon = QStringLiteral("plus.circle"),
        .title = QCoreApplication::translate("PairedPhonesDetail", "配对新手机"),
        .subtitle = QCoreApplication::translate(
            "PairedPhonesDetail",
            "用手机上的 Quillo 扫描二维码，或把配对地址粘贴过去；然后在电脑上接受配对邀请。"),
    }));
    codeArea_ = new QWidget;
    auto* codeLayout = new QHBoxLayout(codeArea_);
    codeLayout->setContentsMargins(16, 0, 16, 14);
    codeLayout->setSpacing(16);
    code_ = new QrCodeView;
    codeLayout->addWidget(code_, 0, Qt::AlignTop);
    addressText_ = new PairingAddressText;
    codeLayout->addWidget(addressText_, 1, Qt::AlignTop);
    pairCard->addWidget(codeArea_);
    noAddress_ =
        makeLabel(QCoreApplication::translate(
                      "PairedPhonesDetail",
                      "手机连接没有在监听，暂时没有配对地址。可在「系统权限」中查看原因。"),
                  11, QFont::Normal, Theme::statusInput());
    noAddress_->setObjectName(QStringLiteral("noPairingAddress"));
    noAddress_->setWordWrap(true);
    noAddress_->setContentsMargins(16, 0, 16, 14);
    pairCard->addWidget(noAddress_);

    // Whether a paired phone sees permission questions and may answer them:
    // off unless the user switches it on, since the phone then runs tools.
    auto* answersCard = addCard();
    answers_ = new Switch;
    answers_->setObjectName(QStringLiteral("phoneAnswersPermissions"));
    const QString answersTitle =
        QCoreApplication::translate("PairedPhonesDetail", "允许已配对的手机回答权限请求");
    answers_->setAccessibleName(answersTitle);
    answers_->setEnabled(services_.settings != nullptr);
    if (services_.settings != nullptr) {
        answers_->setChecked(HostTransportBridge::phonesAnswer(*services_.settings));
        connect(answers_, &QCheckBox::toggled, this, [this](bool on) {
            HostTransportBridge::setPhonesAnswer(*services_.settings, on);
        });
    }
    answersCard->addWidget(new SettingsRow({
        .title = answersTitle,
        .subtitle = QCoreApplication::translate(
            "PairedPhonesDetail",
            "手机上会显示 Claude Code 的权限请求，并可以允许或拒绝；每次回答都记录在诊断日志中。"),
        .trailing = answers_,
    }));

    // What the user must do about the link (pair again, open another port).
    notices_ = makeLabel(QString(), 11, QFont::Normal, Theme::statusInput());
    notices_->setObjectName(QStringLiteral("phoneLinkNotices"));
    notices_->setWordWrap(true);
    body()->addWidget(notices_);

    // A phone paired or forgotten while the pane is open (here, in a dialog,
    // from a terminal) shows at once.
    if (services_.settings != nullptr) {
        QPointer<PairedPhonesDetail> self(this);
        settingsObserver_ = services_.settings->addObserver([self] {
            if (self && !std::exchange(self->reloadScheduled_, true)) {
                QTimer::singleShot(0, self, [self] {
                    if (self) {
                        self->reloadScheduled_ = false;
                        self->reload();
                    }
                });
            }
        });
    }

    reload();
}

PairedPhonesDetail::~PairedPhonesDetail() {
    if (services_.settings != nullptr && settingsObserver_ >= 0) {
        services_.settings->removeObserver(settingsObserver_);
    }
}

void PairedPhonesDetail::showEvent(QShowEvent* event) {
    SettingsPane::showEvent(event);
    reload();
}

void PairedPhonesDetail::reload() {
    paired_.clear();
    if (services_.settings != nullptr) {
        for (const std::string& name :
             PairedClientStorage::listedDisplayNames(*services_.settings)) {
            paired_ << QString::fromStdString(name);
        }
    }
    showPhones();
    showAddress();
    const QStringList notices =
        services_.phoneLinkNotices ? services_.phoneLinkNotices() : QStringList();
    notices_->setText(notices.join(QStringLiteral("\n")));
    notices_->setVisible(!notices.isEmpty());
}

void PairedPhonesDetail::showPhones() {
    while (QLayoutItem* item = phones_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    note_->setVisible(!paired_.isEmpty());
    if (paired_.isEmpty()) {
        auto* empty = new SettingsRow({
            .leadingIcon = QStringLiteral("iphone.slash"),
            .title = QCoreApplication::translate("PairedPhonesDetail", "尚未配对手机"),
            .subtitle = QCoreApplication::translate(
                "PairedPhonesDetail",
                "在手机上打开 Quillo，确保与电脑处于同一 Wi-Fi，然后接受配对邀请。"),
        });
        empty->setObjectName(QStringLiteral("noPairedPhones"));
        phones_->addWidget(empty);
        return;
    }
    for (qsizetype i = 0; i < paired_.size(); ++i) {
        const QString name = paired_[i];
        auto* unpair = smallButton(QCoreApplication::translate("PairedPhonesDetail", "解除配对"),
                                   QStringLiteral("unpair"));
        connect(unpair, &QPushButton::clicked, this, [this, name] { requestUnpair(name); });
        auto* row = new SettingsRow({
            .leadingIcon = QStringLiteral("iphone"),
            .title = name,
            .subtitle = QCoreApplication::translate("PairedPhonesDetail", "已配对"),
            .divider = i + 1 < paired_.size(),
            .trailing = unpair,
        });
        row->setObjectName(QStringLiteral("pairedPhone"));
        phones_->addWidget(row);
    }
}

void PairedPhonesDetail::showAddress() {
    std::optional<PairingAddress> address;
    if (services_.pairingAddress) {
        address = services_.pairingAddress();
    }
    address_ = address ? QString::fromStdString(address->toString()) : QString();
    code_->setText(address_);
    addressText_->setAddress(address_);
    codeArea_->setVisible(address.has_value());
    noAddress_->setVisible(!address.has_value());
}

void PairedPhonesDetail::requestUnpair(const QString& name) {
    if (unpairTarget_) {
        return;
    }
    unpairTarget_ = name;
    auto* alert = new QMessageBox(this);
    alert->setObjectName(QStringLiteral("unpairAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(QCoreApplication::translate("PairedPhonesDetail", "解除配对"));
    alert->setText(QCoreApplication::translate("PairedPhonesDetail",
                                               "将解除与「%1」的配对，下次连接需要重新接受邀请。")
                       .arg(name));
    QPushButton* cancel = alert->addButton(
        QCoreApplication::translate("PairedPhonesDetail", "取消"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelUnpair"));
    QPushButton* confirm = alert->addButton(
        QCoreApplication::translate("PairedPhonesDetail", "解除"), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirmUnpair"));
    // Return must not forget a phone: the destructive button is never the default.
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    alert->setWindowModality(Qt::WindowModal);
    connect(alert, &QMessageBox::finished, this,
            [this, alert, confirm] { unpairAnswered(alert->clickedButton() == confirm); });
    alert->open();
}

void PairedPhonesDetail::unpairAnswered(bool confirmed) {
    const std::optional<QString> target = std::exchange(unpairTarget_, std::nullopt);
    if (!confirmed || !target || services_.settings == nullptr) {
        return;
    }
    // The phone is not told: it learns at its next connection, which is refused.
    PairedClientStorage::remove(*services_.settings, target->toStdString());
    reload();
}

} // namespace quillo
