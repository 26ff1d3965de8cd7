// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"
#include "SettingsServices.h"

#include <QStringList>

#include <optional>

class QLabel;
class QVBoxLayout;

class QCheckBox;

namespace quillo {

class PairingAddressText;
class QrCodeView;

// The phones this computer trusts, each with a button that unpairs it, and
// this computer's pairing address with its QR code, so that a phone can be
// paired from here as well as from the first-run guide.
class PairedPhonesDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit PairedPhonesDetail(SettingsServices services = {}, QWidget* parent = nullptr);
    ~PairedPhonesDetail() override;

    // The names listed, in order.
    const QStringList& paired() const { return paired_; }
    QCheckBox* answersSwitch() const { return answers_; }
    // The phone the unpair alert asks about, while it is open.
    const std::optional<QString>& unpairTarget() const { return unpairTarget_; }

public slots:
    // Reads the paired phones again: the names that have a token, kept to the
    // stored name list when that list is not empty, sorted. Also refreshes the
    // pairing address.
    void reload();
    // Opens the alert that asks before unpairing `name`.
    void requestUnpair(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPhones();
    void showAddress();
    void unpairAnswered(bool confirmed);

    SettingsServices services_;
    QStringList paired_;
    std::optional<QString> unpairTarget_;
    QVBoxLayout* phones_;
    QLabel* note_;
    QWidget* codeArea_;
    QrCodeView* code_;
    PairingAddressText* addressText_;
    QLabel* noAddress_;
    QLabel* notices_;
    QCheckBox* answers_;
    QString address_;
    int settingsObserver_ = -1;
    bool reloadScheduled_ = false;
};

} // namespace quillo
