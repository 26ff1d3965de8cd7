// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcessState.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <chrono>

class QPainter;

namespace quillo {

class FrameClock;

// How a state's dot breathes: between the two ends of scale and opacity, with
// an ease-in-out of `duration` seconds that reverses for ever. A static dot
// stays at the lower ends.
struct DotAnimation {
    QColor color;
    QColor glow;
    double glowRadius = 0;
    double duration = 0;
    double scaleMin = 1;
    double scaleMax = 1;
    double opacityMin = 1;
    double opacityMax = 1;
    bool isStatic = true;

    static DotAnimation forState(ProcessState state);
};

// The coloured dot that shows a session's state. The widget keeps room around
// the dot for its glow at the largest scale. A breathing dot advances on its
// window's frame clock while it is shown and on screen.
class DotIndicator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double phase READ phase WRITE setPhase)

public:
    explicit DotIndicator(ProcessState state, double size = 8, QWidget* parent = nullptr);
    ~DotIndicator() override;

    ProcessState state() const { return state_; }
    void setState(ProcessState state);
    const DotAnimation& animation() const { return animation_; }

    // 0 at the lower ends of scale and opacity, 1 at the upper ones.
    double phase() const { return phase_; }
    void setPhase(double phase);
    bool isAnimating() const;

    // The whole dot's opacity, on top of its breathing (a dimmed row's dot).
    void setOpacity(double opacity);

    // A dot scrolled out of its window's view holds still (a hidden one does
    // anyway); back on screen, it breathes from the start again.
    void setOnScreen(bool onScreen);
    bool isOnScreen() const { return onScreen_; }

    // Room on each side of the dot for the glow.
    double glowMargin() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void restartAnimation();
    void stopAnimation();
    void advance();
    bool isInLayout() const;
    void draw(QPainter& painter, double phase) const;
    static constexpr int phaseSteps = 256;
    void updateAccessibleName();

    ProcessState state_;
    double size_;
    DotAnimation animation_;
    double phase_ = 0;
    double opacity_ = 1;
    bool onScreen_ = true;
    // The clock the dot runs on, and its time at the start of the breath.
    QPointer<FrameClock> clock_;
    std::chrono::milliseconds startedAt_{0};
};

} // namespace quillo
