// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>

namespace quillo {

// The on/off switch of the settings panes: a capsule track with a round knob,
// on the right and on the accent colour when on. Off, the knob and the track's
// outline stand out from the card (at least 3:1), so an unchecked switch is
// still seen as a control. It is a check box underneath: checked, toggled and
// the keyboard work as for any other.
class Switch : public QCheckBox {
    Q_OBJECT

public:
    static constexpr int trackWidth = 34;
    static constexpr int trackHeight = 20;

    explicit Switch(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

} // namespace quillo
