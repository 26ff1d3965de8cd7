// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace quillo {

class PaneButton;

// A pairing address as text to read and paste: wrapped wherever the width
// ends (the fingerprint is one long word), with a button that copies the plain
// address and says so for a moment.
class PairingAddressText : public QWidget {
    Q_OBJECT

public:
    explicit PairingAddressText(Qt::Alignment alignment = Qt::AlignLeft,
                                QWidget* parent = nullptr);

    void setAddress(const QString& address);
    QString address() const { return address_; }

    QLabel* label() const { return label_; }
    PaneButton* copyButton() const { return copy_; }

    // The text with a break opportunity after every character, which a label
    // wraps anywhere without showing anything extra.
    static QString breakableAnywhere(const QString& text);

private:
    QString address_;
    QLabel* label_;
    PaneButton* copy_;
};

} // namespace quillo
