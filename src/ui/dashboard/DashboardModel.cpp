// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardModel.h"

#include "installer/HookHealthMonitor.h"
#include "networking/HostTransportBridge.h"
#include "questions/OpenQuestions.h"
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

void DashboardModel::setQuestions(const RowQuestions& questions) {
    if (questions == questions_) {
        return;
    }
    questions_ = questions;
    emit questionsChanged(questions_);
}

void DashboardModel::followQuestions(OpenQuestions& questions) {
    auto publish = [this, &questions] {
        RowQuestions rows;
        // In the order they were opened: the first of a session is its oldest.
        for (const OpenQuestion& open : questions.questions()) {
            rows.try_emplace(open.question.sessionId,
                             RowQuestion{open.id, QString::fromStdString(open.summary),
                                         QString::fromStdString(open.fullText)});
        }
        setQuestions(rows);
    };
    publish();
    connect(&questions, &OpenQuestions::opened, this, publish);
    connect(&questions, &OpenQuestions::closed, this, publish);
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
