// SPDX-License-Identifier: GPL-3.0-or-later
#include "MacProcessRow.h"

#include "DashboardTexts.h"
#include "QuestionLine.h"
#include "SwitchRunner.h"
#include "theme/DotIndicator.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quillo {

void DashboardServices::defaultLater(std::chrono::milliseconds delay, QObject* context,
                                     std::function<void()> call) {
    // Precise: a coarse timer of a few seconds may fire up to 5 % early.
    QTimer::singleShot(delay, Qt::PreciseTimer, context, std::move(call));
}

namespace {

const QColor& hoverFill() {
    static const QColor color = oklch(0.22, 0.011, 250);
    return color;
}

QColor dimmed(QColor color) {
    color.setAlphaF(color.alphaF() * static_cast<float>(MacProcessRow::dimmedOpacity));
    return color;
}

} // namespace

// The session's name in the fixed font, cut at the end when too long, then
// "· terminal" when it has one.
class RowNameLine : public QWidget {
public:
    explicit RowNameLine(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void set(const QString& name, const QString& terminal) {
        if (name == name_ && terminal == terminal_) {
            return;
        }
        // A new size hint lays the whole list out again; only a new name
        // changes it.
        if (name != name_) {
            name_ = name;
            updateGeometry();
        }
        terminal_ = terminal;
        update();
    }

    void setOpacity(double opacity) {
        if (opacity != opacity_) {
            opacity_ = opacity;
            update();
        }
    }

    QSize sizeHint() const override {
        const QFontMetricsF name(Fonts::monospaced(14, QFont::DemiBold));
        return {static_cast<int>(name.horizontalAdvance(name_)) + 60,
                static_cast<int>(std::ceil(name.height()))};
    }
    QSize minimumSizeHint() const override { return {40, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setOpacity(opacity_);
        const QFont nameFont = Fonts::monospaced(14, QFont::DemiBold);
        const QFont smallFont = Fonts::ui(11);
        const QFontMetricsF nameMetrics(nameFont);
        const QFontMetricsF smallMetrics(smallFont);
        const QString suffix = terminal_.isEmpty() ? QString() : QStringLiteral(" · ") + terminal_;
        const double suffixWidth = smallMetrics.horizontalAdvance(suffix);
        const double nameRoom = std::max(0.0, width() - suffixWidth);
        const QString shown = nameMetrics.elidedText(name_, Qt::ElideRight, nameRoom);
        const double baseline = nameMetrics.ascent();
        painter.setFont(nameFont);
        painter.setPen(Theme::fg());
        painter.drawText(QPointF(0, baseline), shown);
        if (!suffix.isEmpty()) {
            painter.setFont(smallFont);
            painter.setPen(Theme::fgFaint());
            painter.drawText(QPointF(nameMetrics.horizontalAdvance(shown), baseline), suffix);
        }
    }

private:
    QString name_;
    QString terminal_;
    double opacity_ = 1;
};

// "state · 已 duration" and, 6 points after it, the last switch error; all on
// one baseline.
class RowStatusLine : public QWidget {
public:
    explicit RowStatusLine(QWidget* parent) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void set(const QString& state, const QColor& stateColor, const QString& duration,
             const std::optional<QString>& error) {
        if (state == state_ && stateColor == stateColor_ && duration == duration_ &&
            error.value_or(QString()) == error_) {
            return;
        }
        state_ = state;
        stateColor_ = stateColor;
        duration_ = duration;
        error_ = error.value_or(QString());
        update();
    }

    void setOpacity(double opacity) {
        if (opacity != opacity_) {
            opacity_ = opacity;
            update();
        }
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(Fonts::ui(11.5));
        return {200, static_cast<int>(std::ceil(metrics.height()))};
    }
    QSize minimumSizeHint() const override { return {40, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setOpacity(opacity_);
        const QFont stateFont = Fonts::ui(11.5, QFont::Medium);
        const QFont plainFont = Fonts::ui(11.5);
        const QFontMetricsF metrics(plainFont);
        const double baseline = metrics.ascent();
        double x = 0;
        auto run = [&](const QString& text, const QFont& font, const QColor& color) {
            painter.setFont(font);
            painter.setPen(color);
            painter.drawText(QPointF(x, baseline), text);
            x += QFontMetricsF(font).horizontalAdvance(text);
        };
        run(state_, stateFont, stateColor_);
        run(QStringLiteral(" · "), plainFont, Theme::fgFaint());
        // Digits in the fixed font: with the proportional digits of many UI
        // fonts, the text after the duration would shift every second.
        const QFont digitFont = Fonts::monospaced(11.5);
        const QString duration =
            QCoreApplication::translate("MacProcessRow", "已 %1").arg(duration_);
        qsizetype start = 0;
        while (start < duration.size()) {
            const bool digits = duration.at(start).isDigit();
            qsizetype end = start;
            while (end < duration.size() && duration.at(end).isDigit() == digits) {
                ++end;
            }
            run(duration.mid(start, end - start), digits ? digitFont : plainFont, Theme::fgDim());
            start = end;
        }
        if (!error_.isEmpty()) {
            x += 6;
            const QFont errorFont = Fonts::ui(10.5);
            const QString shown = QFontMetricsF(errorFont).elidedText(error_, Qt::ElideRight,
                                                                      std::max(0.0, width() - x));
            run(shown, errorFont, Theme::statusPerm());
        }
    }

private:
    QString state_;
    QColor stateColor_;
    QString duration_;
    QString error_;
    double opacity_ = 1;
};

MacProcessRow::MacProcessRow(ClaudeProcess process, const DashboardServices& services,
                             QWidget* parent)
    : QWidget(parent), process_(std::move(process)), services_(services),
      renderedAt_(services_.clock()) {
    setObjectName(QStringLiteral("processRow"));
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 11, 14, 11);
    layout->setSpacing(12);

    // The dot keeps its glow outside the 10 × 10 frame, so it is placed over
    // the frame rather than inside it.
    dotFrame_ = new QWidget(this);
    dotFrame_->setObjectName(QStringLiteral("dotFrame"));
    dotFrame_->setFixedSize(10, 10);
    layout->addWidget(dotFrame_, 0, Qt::AlignVCenter);
    dot_ = new DotIndicator(process_.state, 8, this);
    // Still until the list finds the row in its view.
    dot_->setOnScreen(false);

    column_ = new QVBoxLayout;
    column_->setSpacing(3);
    column_->setContentsMargins(0, 0, 0, 0);
    nameLine_ = new RowNameLine(this);
    statusLine_ = new RowStatusLine(this);
    column_->addWidget(nameLine_);
    column_->addWidget(statusLine_);
    layout->addLayout(column_, 1);

    // Shown in dimmed rows only: dimmed with them.
    unavailable_ = makeLabel(QCoreApplication::translate("MacProcessRow", "窗口不可用"), 10.5,
                             QFont::Normal, dimmed(Theme::statusPermDim()), this);
    layout->addWidget(unavailable_, 0, Qt::AlignVCenter);
    chevron_ = new SymbolView(QStringLiteral("chevron.right"), 11, Theme::fgFaint());
    layout->addWidget(chevron_, 0, Qt::AlignVCenter);
    refresh();
}

void MacProcessRow::setProcess(const ClaudeProcess& process) {
    // The outcome of an answer stands until the session moves on.
    if (outcome_ &&
        (process.state != process_.state || process.stateChangedAt != process_.stateChangedAt)) {
        outcome_.reset();
        refreshQuestion();
    }
    process_ = process;
    dot_->setState(process_.state);
    // Another state has another glow, so another size: centre it again.
    placeDot();
    if (!switchable()) {
        setHover(false);
    }
    refresh();
}

void MacProcessRow::updateDuration(Timestamp now) {
    renderedAt_ = now;
    refresh();
}

void MacProcessRow::setOnScreen(bool onScreen) {
    if (onScreen == onScreen_) {
        return;
    }
    onScreen_ = onScreen;
    dot_->setOnScreen(onScreen);
    if (onScreen) {
        updateDuration(services_.clock());
    }
}

QString MacProcessRow::statusText() const {
    return DashboardTexts::stateLabel(process_.state) + QStringLiteral(" · ") +
           QCoreApplication::translate("MacProcessRow", "已 %1")
               .arg(DashboardTexts::durationText(process_.stateChangedAt, renderedAt_));
}

void MacProcessRow::refresh() {
    const QString terminal =
        process_.terminal
            ? QString::fromUtf8(displayName(process_.terminal->kind).data(),
                                static_cast<qsizetype>(displayName(process_.terminal->kind).size()))
            : QString();
    const QString name = QString::fromStdString(process_.name);
    nameLine_->set(name, terminal);
    statusLine_->set(
        DashboardTexts::stateLabel(process_.state), DashboardTexts::stateColor(process_.state),
        DashboardTexts::durationText(process_.stateChangedAt, renderedAt_), errorText_);
    unavailable_->setVisible(!switchable());
    setCursor(switchable() ? Qt::PointingHandCursor : Qt::ArrowCursor);

    // Each part draws itself dimmed. The parts do not overlap, so this looks
    // like the whole row drawn translucent (the dot's centre shows a trace of
    // its glow under it), without an opacity effect: redrawing an effect walks
    // every widget of the window, at each frame of the row's breathing dot.
    const double opacity = switchable() ? 1.0 : dimmedOpacity;
    nameLine_->setOpacity(opacity);
    statusLine_->setOpacity(opacity);
    dot_->setOpacity(opacity);
    chevron_->setColor(switchable() ? Theme::fgFaint() : dimmed(Theme::fgFaint()));
    // Screen readers, and tests from outside, read the row by this.
    const QString where =
        switchable() ? terminal : QCoreApplication::translate("MacProcessRow", "窗口不可用");
    setAccessibleName(name + QStringLiteral(", ") + DashboardTexts::stateLabel(process_.state) +
                      QStringLiteral(", ") + where);
    QString description = errorText_.value_or(QString());
    if (question_) {
        description +=
            (description.isEmpty() ? QString() : QStringLiteral("; ")) + question_->summary;
    }
    setAccessibleDescription(description);
    // The line cuts a long message short; the pointer reads all of it.
    setToolTip(errorText_.value_or(QString()));
}

void MacProcessRow::setQuestion(const std::optional<RowQuestion>& question) {
    if (question == question_) {
        return;
    }
    question_ = question;
    if (question_) {
        // A new question replaces what became of the last one.
        outcome_.reset();
    }
    refreshQuestion();
}

void MacProcessRow::answer(bool allow) {
    if (!question_ || !services_.answer) {
        return;
    }
    const std::uint64_t id = question_->id;
    // Answering closes the question, which takes it off this row before the
    // call returns, and brings the session's next question if it has one.
    const bool delivered = services_.answer(id, allow);
    if (question_ && question_->id != id) {
        return; // the next question is shown in its place
    }
    question_.reset();
    outcome_ = !delivered ? AnswerOutcome::alreadyClosed
               : allow    ? AnswerOutcome::allowed
                          : AnswerOutcome::denied;
    refreshQuestion();
}

void MacProcessRow::refreshQuestion() {
    const bool shown = question_ || outcome_;
    if (!questionLine_) {
        if (!shown) {
            return;
        }
        // Made for the first question: most rows never have one, and with
        // hundreds of sessions every widget a row holds is paid at opening.
        questionLine_ = new QuestionLine(this);
        questionLine_->setVisible(false);
        connect(questionLine_, &QuestionLine::answered, this, &MacProcessRow::answer);
        column_->addWidget(questionLine_);
    }
    if (question_) {
        questionLine_->showQuestion(question_->summary, question_->fullText,
                                    static_cast<bool>(services_.answer));
    } else if (outcome_) {
        switch (*outcome_) {
        case AnswerOutcome::allowed:
            questionLine_->showOutcome(QCoreApplication::translate("MacProcessRow", "已允许"),
                                       Theme::statusActive());
            break;
        case AnswerOutcome::denied:
            questionLine_->showOutcome(QCoreApplication::translate("MacProcessRow", "已拒绝"),
                                       Theme::statusPerm());
            break;
        case AnswerOutcome::alreadyClosed:
            questionLine_->showOutcome(QCoreApplication::translate("MacProcessRow", "已在别处回答"),
                                       Theme::fgDim());
            break;
        }
    }
    // Shown and hidden only when it comes or goes: each change lays the
    // list out again.
    if (shown != questionLine_->isVisibleTo(this)) {
        questionLine_->setVisible(shown);
    }
    refresh();
}

void MacProcessRow::handleTap() {
    if (!switchable() || switching_ || services_.switcher == nullptr) {
        return;
    }
    switching_ = true;
    emit switchStarted();
    services_.switcher->run(process_, this,
                            [this](const SwitchResult& result) { applySwitchResult(result); });
}

void MacProcessRow::applySwitchResult(const SwitchResult& result) {
    switching_ = false;
    if (result.succeeded()) {
        errorText_.reset();
        refresh();
        return;
    }
    const Timestamp failedAt = services_.clock();
    errorText_ = QString::fromStdString(result.message);
    lastErrorAt_ = failedAt;
    refresh();
    clearErrorAfter(failedAt, errorDuration);
}

void MacProcessRow::clearErrorAfter(Timestamp failedAt, std::chrono::milliseconds delay) {
    services_.later(delay, this, [this, failedAt] {
        // A newer failure keeps its message for its own full period, with a
        // wait of its own.
        if (!lastErrorAt_ || *lastErrorAt_ != failedAt) {
            return;
        }
        const auto left = errorDuration - (services_.clock() - failedAt);
        if (left > Seconds{0}) {
            // The timer came early: wait for the rest, or the message would stay.
            clearErrorAfter(failedAt, std::max(std::chrono::milliseconds(1),
                                               std::chrono::ceil<std::chrono::milliseconds>(left)));
            return;
        }
        errorText_.reset();
        lastErrorAt_.reset();
        refresh();
    });
}

void MacProcessRow::placeDot() {
    const QPoint centre = dotFrame_->geometry().center();
    dot_->move(centre.x() - dot_->width() / 2 + (dotFrame_->width() % 2 == 0 ? 1 : 0),
               centre.y() - dot_->height() / 2 + (dotFrame_->height() % 2 == 0 ? 1 : 0));
    dot_->raise();
}

void MacProcessRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (layout() != nullptr) {
        layout()->activate();
    }
    placeDot();
}

void MacProcessRow::setHover(bool hover) {
    const bool shown = hover && switchable();
    if (shown != hover_) {
        hover_ = shown;
        update();
    }
}

void MacProcessRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHover(true);
}

void MacProcessRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHover(false);
}

void MacProcessRow::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void MacProcessRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool tap = pressed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
    pressed_ = false;
    if (tap) {
        handleTap();
    }
}

void MacProcessRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        handleTap();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MacProcessRow::paintEvent(QPaintEvent*) {
    if (!hover_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(hoverFill());
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

} // namespace quillo
