// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "QrCode.h"

#include <QWidget>

#include <optional>

namespace quillo {

// A QR code on a light rounded panel, so that a phone camera reads it on the
// dark interface. The modules are drawn whole pixels wide, without smoothing.
// When the text cannot be encoded, the panel shows the text itself instead.
class QrCodeView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelSide = 200;
    static constexpr double panelRadius = 16;
    static constexpr int inset = 16;
    static constexpr int shadowRoom = 8;

    explicit QrCodeView(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    // False while the text fallback is shown (or there is no text).
    bool showsCode() const { return code_.has_value(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    std::optional<QrCode> code_;
};

} // namespace quillo
