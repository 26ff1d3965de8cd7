// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace quillo {

// The deep window background with two soft glows, one at the top left and one
// at the bottom right. Children are laid out on top of it.
class AmbientBackground : public QWidget {
    Q_OBJECT

public:
    explicit AmbientBackground(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quillo
