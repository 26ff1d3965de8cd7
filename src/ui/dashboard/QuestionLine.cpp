// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuestionLine.h"

#include "theme/Fonts.h"
#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

namespace quillo {

namespace {

constexpr double buttonFontSize = 11;
constexpr double textFontSize = 11;

QFont buttonFont() {
    return Fonts::ui(buttonFontSize, QFont::DemiBold);
}

} // namespace

AnswerButton::AnswerButton(QString label, bool allow, QWidget* parent)
    : PlainButton(parent), label_(std::move(label)), allow_(allow) {
    setAccessibleName(label_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize AnswerButton::sizeHint() const {
    const QFontMetricsF metrics(buttonFont());
    return {static_cast<int>(std::ceil(10 + metrics.horizontalAdvance(label_) + 10)),
            static_cast<int>(std::ceil(3 + metrics.height() + 3))};
}

void AnswerButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor text;
    if (allow_) {
        painter.setPen(QPen(oklch(0.78, 0.16, 150, hovered() ? 0.9 : 0.6), 1));
        painter.setBrush(oklch(0.5, 0.12, 150, hovered() ? 0.5 : 0.32));
        text = Theme::fg();
    } else {
        painter.setPen(QPen(hovered() ? Theme::fgDim() : Theme::fgFaint(), 1));
        painter.setBrush(hovered() ? oklch(0.22, 0.011, 250) : QColor(Qt::transparent));
        text = Theme::fgMuted();
    }
    painter.drawRoundedRect(box, 6, 6);
    const QFont font = buttonFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(text);
    painter.drawText(QPointF((width() - metrics.horizontalAdvance(label_)) / 2,
                             (height() - metrics.height()) / 2 + metrics.ascent()),
                     label_);
}

QuestionLine::QuestionLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("questionLine"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    // The text is painted in the room left of the buttons.
    layout->addStretch(1);
    deny_ = new AnswerButton(QCoreApplication::translate("MacProcessRow", "拒绝"), false, this);
    deny_->setObjectName(QStringLiteral("denyButton"));
    allow_ = new AnswerButton(QCoreApplication::translate("MacProcessRow", "允许"), true, this);
    allow_->setObjectName(QStringLiteral("allowButton"));
    layout->addWidget(deny_, 0, Qt::AlignVCenter);
    layout->addWidget(allow_, 0, Qt::AlignVCenter);
    connect(allow_, &PlainButton::clicked, this, [this] { emit answered(true); });
    connect(deny_, &PlainButton::clicked, this, [this] { emit answered(false); });
}

void QuestionLine::showQuestion(const QString& summary, const QString& fullText, bool canAnswer) {
    text_ = summary;
    color_ = Theme::fgMuted();
    monospaced_ = true;
    allow_->setVisible(canAnswer);
    deny_->setVisible(canAnswer);
    // The text is Claude Code's tool input: shown as it is, never read as
    // markup.
    setToolTip(fullText.isEmpty() ? QString()
                                  : QStringLiteral("<p style='white-space:pre-wrap'>") +
                                        fullText.toHtmlEscaped() + QStringLiteral("</p>"));
    update();
}

void QuestionLine::showOutcome(const QString& text, const QColor& color) {
    text_ = text;
    color_ = color;
    monospaced_ = false;
    allow_->setVisible(false);
    deny_->setVisible(false);
    setToolTip(QString());
    update();
}

bool QuestionLine::hasButtons() const {
    return !allow_->isHidden();
}

QSize QuestionLine::sizeHint() const {
    // As tall as a button, so that the line does not grow when they show.
    return {200, allow_->sizeHint().height()};
}

QSize QuestionLine::minimumSizeHint() const {
    return {40, sizeHint().height()};
}

void QuestionLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = monospaced_ ? Fonts::monospaced(textFontSize) : Fonts::ui(textFontSize);
    const QFontMetricsF metrics(font);
    const double room =
        hasButtons() ? std::max(0.0, deny_->geometry().left() - 8.0) : double(width());
    painter.setFont(font);
    painter.setPen(color_);
    painter.drawText(QPointF(0, (height() - metrics.height()) / 2 + metrics.ascent()),
                     metrics.elidedText(text_, Qt::ElideRight, room));
}

} // namespace quillo
