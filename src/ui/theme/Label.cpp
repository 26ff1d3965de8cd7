// SPDX-License-Identifier: GPL-3.0-or-later
#include "Label.h"

#include "Fonts.h"
#include "Symbols.h"

#include <QPainter>

#include <cmath>

namespace quillo {

QLabel* makeLabel(const QString& text, double points, QFont::Weight weight, const QColor& color,
                  QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(Fonts::ui(points, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
    label->setTextFormat(Qt::PlainText);
    return label;
}

SymbolView::SymbolView(QString name, double points, const QColor& color, double frameWidth,
                       QWidget* parent)
    : QWidget(parent), name_(std::move(name)), points_(points), color_(color),
      frameWidth_(frameWidth) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SymbolView::setColor(const QColor& color) {
    color_ = color;
    update();
}

QSize SymbolView::sizeHint() const {
    // Material glyphs are square, one em wide.
    const int side = static_cast<int>(std::ceil(points_ * 1.15));
    const int width = frameWidth_ > 0 ? static_cast<int>(std::ceil(frameWidth_)) : side;
    return {width, side};
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Symbols::paint(painter, rect(), name_.toStdString(), points_, color_);
}

} // namespace quillo
