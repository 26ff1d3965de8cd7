// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QVBoxLayout;

namespace quillo {

// The raised card that holds a group of rows: a rounded gradient with a faint
// hairline and a soft shadow below. The widget keeps room under the card for
// the shadow.
class SurfaceCard : public QWidget {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 14;
    static constexpr int shadowRoom = 10; // offset 4 plus blur 6, below the card

    explicit SurfaceCard(QWidget* parent = nullptr, int padding = 16);

    // Where the card's content goes.
    QVBoxLayout* contentLayout() const { return layout_; }
    void addWidget(QWidget* widget);

    // The card itself, without the room for the shadow.
    QRectF cardRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* layout_;
};

} // namespace quillo
