// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "ParsedHookEvent.h"
#include "ProcessState.h"
#include "Timestamp.h"
#include "terminal/ProcessTreeResolver.h"

#include <QObject>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quillo {

// The monitor's one table of Claude Code sessions. Batches of hook events are
// folded into one record per session; sessions that ended, or whose process is
// gone, are dropped. Every batch (and every prune that removed something)
// publishes the complete list, sorted by start time, through
// processesChanged, even when it equals the previous one. Main thread only.
class ProcessStateStore : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<Timestamp()>;

    // `sources` serve terminal resolution and the liveness test of pruning;
    // they must outlive the store.
    explicit ProcessStateStore(const ProcessTreeResolver::Sources& sources, Clock clock = &now,
                               QObject* parent = nullptr);

    const std::vector<ClaudeProcess>& processes() const { return processes_; }

    // Applies the events in order, then publishes once (also when nothing
    // changed, and for an empty batch).
    void ingestBatch(const std::vector<ParsedHookEvent>& events);

    // Removes sessions whose Claude Code process (or, without one, whose shell)
    // has exited, and sessions that know neither and have not changed state for
    // more than `staleAfterSeconds`. Each removal is logged; publishes only when
    // something was removed.
    void pruneDead(double staleAfterSeconds);

    // The state a hook event leads to; nothing for events that say nothing
    // about the state (nor for a SessionStart after a compaction).
    // "SessionEnd" gives `completed`. `source` is SessionStart's.
    static std::optional<ProcessState> map(std::string_view eventName,
                                           const std::optional<std::string>& notificationType,
                                           const std::optional<std::string>& message,
                                           const std::optional<std::string>& source = {});

    // The display name of a new session: the last folder of its working
    // directory ("claude" without one), made unique against `existingNames`
    // with " #2", " #3", ...
    static std::string deriveName(const std::optional<std::string>& cwd,
                                  const std::unordered_set<std::string>& existingNames);

signals:
    void processesChanged(const std::vector<quillo::ClaudeProcess>& processes);

private:
    // Terminal resolutions within one batch, by the event's chain, pid and
    // terminal: a backlog holds thousands of events of sessions whose terminal
    // cannot be found, and each would otherwise walk /proc again.
    using Resolutions = std::map<std::string, std::optional<TerminalLocation>>;
    void apply(const ParsedHookEvent& event, Resolutions& resolutions);
    std::optional<TerminalLocation> resolveOnce(const ParsedHookEvent& event,
                                                Resolutions& resolutions);
    void remove(const std::string& sessionId);
    void publishSnapshot();

    ProcessTreeResolver::Sources sources_;
    Clock clock_;
    std::map<std::string, ClaudeProcess> bySession_;
    std::unordered_set<std::string> names_; // the names of the records in bySession_
    std::vector<ClaudeProcess> processes_;
};

} // namespace quillo
