// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardModel.h"

#include "installer/HookHealthMonitor.h"
#include "networking/HostTransportBridge.h"
#include "state/ProcessStateStore.h"

namespace quillo {

void DashboardModel::setProcesses(const std::vector<ClaudeProcess>& processes) {
    processes_ = processes;
    emit processesChanged(processes_);
}

void DashboardModel::setPeerCount(int count) {
    peerCount_ = count;
    emit peerCountChanged(count);
}

void DashboardModel::setHookError(bool hasError) {
    hookError_ = hasError;
    emit hookErrorChanged(hasError);
}

void DashboardModel::follow(ProcessStateStore& store, HostTransportBridge* bridge,
                            HookHealthMonitor& health) {
    setProcesses(store.processes());
    connect(&store, &ProcessStateStore::processesChanged, this, &DashboardModel::setProcesses);
    if (bridge != nullptr) {
        setPeerCount(bridge->connectedPeerCount());
        connect(bridge, &HostTransportBridge::connectedPeerCountChanged, this,
                &DashboardModel::setPeerCount);
    }
    setHookError(health.hasError());
    connect(&health, &HookHealthMonitor::hasErrorChanged, this, &DashboardModel::setHookError);
}

} // namespace quillo
