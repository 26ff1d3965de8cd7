// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace quillo {

// A small capsule with an optional dot and a short status text.
class StatusPill : public QWidget {
    Q_OBJECT

public:
    enum class Style { online, offline, neutral, danger, warning };

    struct Colors {
        QColor text;
        QColor dot;
        QColor fill;
        QColor outline;
    };
    static Colors colorsFor(Style style);

    StatusPill(QString text, Style style, bool withDot = true, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    Style style() const { return style_; }
    void setStyle(Style style);
    bool withDot() const { return withDot_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString text_;
    Style style_;
    bool withDot_;
};

} // namespace quillo
