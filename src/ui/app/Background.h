// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <type_traits>
#include <utility>

namespace quillo {

// The pool for work that may take long (reading and comparing a settings file
// of many megabytes, looking for Claude Code). Not Qt's global pool: Qt 6.4
// paints large areas with help from that pool and waits for it, so long
// tasks there would stall every window.
inline QThreadPool& backgroundPool() {
    static QThreadPool pool;
    return pool;
}

// Runs `work` on the background pool and hands its result to `done` on the thread
// of `context` (the main thread for a widget). When `context` is destroyed
// first, `done` never runs: a pane closed meanwhile is not touched.
template <typename Work, typename Done>
void runInBackground(QObject* context, Work work, Done done) {
    using Result = std::invoke_result_t<Work>;
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)]() mutable {
                         done(watcher->result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run(&backgroundPool(), std::move(work)));
}

} // namespace quillo
