// SPDX-License-Identifier: GPL-3.0-or-later
#include "DottedDivider.h"

#include "Theme.h"

#include <QPainter>

namespace quillo {

DottedDivider::DottedDivider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

std::vector<int> DottedDivider::dotPositions(int width) {
    std::vector<int> positions;
    for (int x = 0; x <= width; x += 4) {
        positions.push_back(x);
    }
    return positions;
}

void DottedDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int x : dotPositions(width())) {
        painter.fillRect(QRect(x, 0, 1, 1), Theme::lineSoft());
    }
}

} // namespace quillo
