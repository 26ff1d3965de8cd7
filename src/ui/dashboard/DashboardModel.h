// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"

#include <QObject>

#include <vector>

namespace quillo {

class HookHealthMonitor;
class HostTransportBridge;
class ProcessStateStore;

// The three published values the status icon and the dashboard show: the
// session list (in the store's order), the number of connected phones and
// whether the hook configuration is broken. Each setter publishes the complete
// value.
class DashboardModel : public QObject {
    Q_OBJECT

public:
    explicit DashboardModel(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<ClaudeProcess>& processes() const { return processes_; }
    int peerCount() const { return peerCount_; }
    bool hookError() const { return hookError_; }

    void setProcesses(const std::vector<ClaudeProcess>& processes);
    void setPeerCount(int count);
    void setHookError(bool hasError);

    // Follows the store, the bridge and the health monitor from now on
    // (the bridge is optional: no phone link, no phone).
    void follow(ProcessStateStore& store, HostTransportBridge* bridge, HookHealthMonitor& health);

signals:
    void processesChanged(const std::vector<quillo::ClaudeProcess>& processes);
    void peerCountChanged(int count);
    void hookErrorChanged(bool hasError);

private:
    std::vector<ClaudeProcess> processes_;
    int peerCount_ = 0;
    bool hookError_ = false;
};

} // namespace quillo
