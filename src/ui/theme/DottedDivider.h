// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <vector>

namespace quillo {

// A row of 1 × 1 dots, 4 apart, across the available width.
class DottedDivider : public QWidget {
    Q_OBJECT

public:
    explicit DottedDivider(QWidget* parent = nullptr);

    // The x positions of the dots for a width: 0, 4, 8, … up to the width
    // itself; a width of 0 still has the dot at 0.
    static std::vector<int> dotPositions(int width);

    QSize sizeHint() const override { return {40, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quillo
