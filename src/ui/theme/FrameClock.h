// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

class QWidget;

namespace quillo {

// Paces a window's endless animations: one timer at 25 frames a second,
// running only while an animation is attached. Everything animating
// in the window advances on the same frame, so the window repaints once per
// frame however many animations it shows.
class FrameClock : public QObject {
    Q_OBJECT

public:
    // 25 frames a second are smooth for breathing that takes half a second
    // and more, and cost a fifth less than 30 while a window sits open.
    static constexpr std::chrono::milliseconds frameInterval{40};

    // The clock of `window` (a top-level widget), made on first use and owned
    // by the window.
    static FrameClock& of(QWidget* window);

    explicit FrameClock(QObject* parent = nullptr);
    ~FrameClock() override;

    // Calls `frame` on every frame until `owner` is detached or destroyed.
    void attach(QObject* owner, std::function<void()> frame);
    void detach(QObject* owner);
    bool isAttached(const QObject* owner) const;

    // Time since the clock was made, for the animations' positions.
    std::chrono::milliseconds now() const;
    // Frames run so far.
    int frames() const { return frames_; }

private:
    struct Animation {
        QObject* owner;
        std::function<void()> frame;
        QMetaObject::Connection destroyed;
    };
    void frame();

    QTimer timer_;
    QElapsedTimer started_;
    std::vector<Animation> animations_;
    int frames_ = 0;
};

} // namespace quillo
