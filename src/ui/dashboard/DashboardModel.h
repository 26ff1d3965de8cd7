// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillo {

class HookHealthMonitor;
class HostTransportBridge;
class OpenQuestions;
class ProcessStateStore;

// A permission question as its session's row shows it.
struct RowQuestion {
    std::uint64_t id = 0;
    QString summary;  // one line
    QString fullText; // for the tooltip
    bool operator==(const RowQuestion&) const = default;
};
// By session id: the oldest open question of each session that has one (the
// others wait their turn, as Claude Code's dialogs do).
using RowQuestions = std::map<std::string, RowQuestion>;

// The published values the status icon and the dashboard show: the session
// list (in the store's order), the number of connected phones, whether the
// hook configuration is broken and the open permission questions. Each setter publishes the
// complete value.
class DashboardModel : public QObject {
    Q_OBJECT

public:
    explicit DashboardModel(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<ClaudeProcess>& processes() const { return processes_; }
    int peerCount() const { return peerCount_; }
    bool hookError() const { return hookError_; }
    const RowQuestions& questions() const { return questions_; }

    void setProcesses(const std::vector<ClaudeProcess>& processes);
    void setPeerCount(int count);
    void setHookError(bool hasError);
    void setQuestions(const RowQuestions& questions);

    // Follows the store, the bridge and the health monitor from now on
    // (the bridge is optional: no phone link, no phone).
    void follow(ProcessStateStore& store, HostTransportBridge* bridge, HookHealthMonitor& health);
    // Follows the open permission questions from now on.
    void followQuestions(OpenQuestions& questions);

signals:
    void processesChanged(const std::vector<quillo::ClaudeProcess>& processes);
    void peerCountChanged(int count);
    void hookErrorChanged(bool hasError);
    void questionsChanged(const quillo::RowQuestions& questions);

private:
    std::vector<ClaudeProcess> processes_;
    int peerCount_ = 0;
    bool hookError_ = false;
    RowQuestions questions_;
};

} // namespace quillo
