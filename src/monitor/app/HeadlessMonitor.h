// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "events/EventLogWatcher.h"
#include "platform/ProcApplicationIdentifier.h"
#include "state/ProcessStateStore.h"

#include <QObject>
#include <QTimer>

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// The monitor without any window: the store, the watcher on the events file
// and the periodic pruning, printing one line to `out` whenever the published
// table differs from the one printed last (unless told not to).
class HeadlessMonitor : public QObject {
    Q_OBJECT

public:
    static constexpr int pruneIntervalMs = 30000;
    static constexpr double staleAfterSeconds = 300;
    // Tests that watch a killed session go set a shorter prune interval (in
    // milliseconds) in this environment variable.
    static constexpr const char* pruneIntervalVariable = "QUILLO_PRUNE_INTERVAL_MS";

    explicit HeadlessMonitor(std::ostream& out, QObject* parent = nullptr);
    ~HeadlessMonitor() override;

    // Starts in the monitor's order: the directory, the watcher (which first
    // consumes what accumulated), one pruning pass, the prune timer.
    void start();
    // The steps of start() for a caller that runs its own prune timer: the
    // directory and the watcher; one pruning pass.
    void startWatching();
    void pruneNow();
    // The prune interval, shortened by pruneIntervalVariable when set.
    static int pruneIntervalSetting();
    // Stops the watcher, then the prune timer.
    void stop();

    ProcessStateStore& store() { return store_; }
    EventLogWatcher& watcher() { return watcher_; }

    // The desktop monitor shows the table in its dashboard; printed on every
    // change it would fill the desktop session's log.
    void setPrintsTable(bool prints) { printsTable_ = prints; }

    // One line describing the table, "[quillo] " first.
    static std::string describe(const std::vector<ClaudeProcess>& processes);

private:
    void print(const std::vector<ClaudeProcess>& processes);

    std::ostream& out_;
    ProcApplicationIdentifier applications_;
    ProcessStateStore store_;
    EventLogWatcher watcher_;
    QTimer pruneTimer_;
    std::optional<std::vector<ClaudeProcess>> printed_;
    bool printsTable_ = true;
};

} // namespace quillo
