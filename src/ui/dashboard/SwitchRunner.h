// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "terminal/SwitchResult.h"

#include <QObject>
#include <QThreadPool>

#include <functional>

namespace quillo {

// Runs terminal switches for the dashboard. A switch can take several seconds
// (each control call may wait up to its one-second limit), so the real runner
// keeps them off the main thread; `done` is always called on the main thread,
// and only while `context` still exists.
class SwitchRunner {
public:
    using Done = std::function<void(const SwitchResult&)>;

    virtual ~SwitchRunner() = default;
    virtual void run(const ClaudeProcess& process, QObject* context, Done done) = 0;
};

// One worker thread, so switches run one after another and never race over the
// terminal's control interfaces.
class ThreadedSwitchRunner : public SwitchRunner {
public:
    using SwitchFunction = std::function<SwitchResult(const ClaudeProcess&)>;

    explicit ThreadedSwitchRunner(SwitchFunction switchTo);
    ~ThreadedSwitchRunner() override;

    void run(const ClaudeProcess& process, QObject* context, Done done) override;

private:
    SwitchFunction switchTo_;
    QObject relay_; // main thread; results are queued to it
    QThreadPool pool_;
};

} // namespace quillo
