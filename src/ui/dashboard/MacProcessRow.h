// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "DashboardModel.h"
#include "DashboardServices.h"
#include "Timestamp.h"
#include "terminal/SwitchResult.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QVBoxLayout;

namespace quillo {

class DotIndicator;
class QuestionLine;
class RowNameLine;
class RowStatusLine;
class SymbolView;

// One session in the dashboard: its state dot, name and terminal, its state
// and how long it has been in it, and a tap that brings its terminal forward.
// A session without a terminal is dimmed, cannot be tapped and never
// highlights. While the session waits on a permission question that Quillo
// can answer, a third line shows what is asked with "Allow" and "Deny"; after
// an answer it shows what became of it until the session's state changes.
class MacProcessRow : public QWidget {
    Q_OBJECT

public:
    // A failed switch's message stays this long after the latest failure.
    static constexpr std::chrono::seconds errorDuration{4};
    // How opaque a row without a terminal is drawn.
    static constexpr double dimmedOpacity = 0.55;

    MacProcessRow(ClaudeProcess process, const DashboardServices& services,
                  QWidget* parent = nullptr);

    const ClaudeProcess& process() const { return process_; }
    void setProcess(const ClaudeProcess& process);

    // Re-renders the duration for the given moment.
    void updateDuration(Timestamp now);

    // Whether the row is in the list's view. Off screen its dot holds still
    // and its duration is not kept current: it catches up when it comes back.
    void setOnScreen(bool onScreen);
    bool isOnScreen() const { return onScreen_; }

    bool switchable() const { return process_.terminal.has_value(); }
    bool isSwitching() const { return switching_; }
    const std::optional<QString>& errorText() const { return errorText_; }
    bool hovered() const { return hover_; }

    // The row's action: starts a switch unless the session has no terminal or
    // a switch for this row is still running.
    void handleTap();

    // Applies a switch's outcome (on the main thread).
    void applySwitchResult(const SwitchResult& result);

    QString statusText() const;

    // The session's open question (its oldest), or none.
    void setQuestion(const std::optional<RowQuestion>& question);
    const std::optional<RowQuestion>& question() const { return question_; }
    // Answers the open question, as the buttons do.
    void answer(bool allow);

    // What became of the latest answer given on this row.
    enum class AnswerOutcome { allowed, denied, alreadyClosed };
    const std::optional<AnswerOutcome>& answerOutcome() const { return outcome_; }
    // The question's line, made when the row first has a question.
    QuestionLine* questionLine() const { return questionLine_; }

signals:
    // A switch to the session's terminal started; the terminal is about to
    // take the focus.
    void switchStarted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void refreshQuestion();
    // Clears the message of the failure at `failedAt` once it is errorDuration
    // old, unless a newer failure replaced it.
    void clearErrorAfter(Timestamp failedAt, std::chrono::milliseconds delay);
    void placeDot();
    void setHover(bool hover);

    ClaudeProcess process_;
    DashboardServices services_;
    Timestamp renderedAt_;
    bool hover_ = false;
    bool pressed_ = false;
    bool switching_ = false;
    bool onScreen_ = false;
    std::optional<QString> errorText_;
    std::optional<Timestamp> lastErrorAt_;
    std::optional<RowQuestion> question_;
    std::optional<AnswerOutcome> outcome_;

    QWidget* dotFrame_ = nullptr;
    DotIndicator* dot_ = nullptr;
    RowNameLine* nameLine_ = nullptr;
    RowStatusLine* statusLine_ = nullptr;
    QuestionLine* questionLine_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QLabel* unavailable_ = nullptr;
    SymbolView* chevron_ = nullptr;
};

} // namespace quillo
