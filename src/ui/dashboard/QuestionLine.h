// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DashboardParts.h"

#include <QColor>
#include <QString>
#include <QWidget>

namespace quillo {

// A small rounded button of a row's question line: "Allow" filled in the
// working colour, "Deny" as an outline.
class AnswerButton : public PlainButton {
    Q_OBJECT

public:
    AnswerButton(QString label, bool allow, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString label_;
    bool allow_;
};

// The third line of a row whose session waits on a permission question Quillo
// can answer: what is asked, cut to one line (the whole text as a tooltip), and
// "Allow" and "Deny"; after an answer, what became of it.
class QuestionLine : public QWidget {
    Q_OBJECT

public:
    explicit QuestionLine(QWidget* parent = nullptr);

    // An open question; without `canAnswer` the line has no buttons.
    void showQuestion(const QString& summary, const QString& fullText, bool canAnswer);
    // What became of the answer given here, in `color`.
    void showOutcome(const QString& text, const QColor& color);

    const QString& text() const { return text_; }
    bool hasButtons() const;
    AnswerButton* allowButton() const { return allow_; }
    AnswerButton* denyButton() const { return deny_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void answered(bool allow);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
    bool monospaced_ = true;
    AnswerButton* allow_ = nullptr;
    AnswerButton* deny_ = nullptr;
};

} // namespace quillo
