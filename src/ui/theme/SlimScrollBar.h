// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>

namespace quillo {

// A thin scroll bar in the palette's colours: no arrow buttons and no groove,
// only a rounded handle that brightens under the pointer. A click beside the
// handle pages, a drag moves it, as with any scroll bar.
class SlimScrollBar : public QScrollBar {
    Q_OBJECT

public:
    static constexpr int thickness = 8;

    explicit SlimScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~SlimScrollBar() override;
};

} // namespace quillo
