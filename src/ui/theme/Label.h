// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

namespace quillo {

// A text label in the interface font at a size in points, in one palette colour.
QLabel* makeLabel(const QString& text, double points, QFont::Weight weight, const QColor& color,
                  QWidget* parent = nullptr);

// A symbol drawn from the icon font (or its fallback text) at a size in points,
// centred in a box of `frameWidth` points (0: as wide as the glyph).
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(QString name, double points, const QColor& color, double frameWidth = 0,
               QWidget* parent = nullptr);

    QString name() const { return name_; }
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double points_;
    QColor color_;
    double frameWidth_;
};

} // namespace quillo
