// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace quillo {

// The small bordered button of the settings panes: an optional symbol and an
// optional label. The danger look (red text on a red-tinted fill) marks what
// cannot be undone.
class PaneButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Look { plain, danger };

    PaneButton(const QString& symbol, const QString& text, Look look = Look::plain,
               QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString symbol_;
    Look look_;
    bool hovered_ = false;
};

} // namespace quillo
