// SPDX-License-Identifier: GPL-3.0-or-later
#include "networking/HostTransportBridge.h"

#include "DiagnosticLogger.h"
#include "networking/PairedClientStorage.h"
#include "transport/TransportError.h"
#include "transport/TransportInvitationContext.h"
#include "transport/TransportServiceType.h"
#include "questions/OpenQuestions.h"

#include <QNetworkInterface>
#include <QPointer>
#include <QSysInfo>
#include <QTimer>

#include <charconv>

namespace quillo {

namespace {

constexpr const char* category = "transport";

TransportMessage requestOf(const OpenQuestion& question) {
    return TransportMessage::permissionRequest({std::to_string(question.id),
                                                question.question.sessionId,
                                                question.question.toolName, question.summary,
                                                question.askedAt});
}

TransportMessage::PermissionOutcome outcomeOnTheWire(QuestionOutcome outcome) {
    switch (outcome) {
    case QuestionOutcome::allowed:
        return TransportMessage::PermissionOutcome::allowed;
    case QuestionOutcome::denied:
        return TransportMessage::PermissionOutcome::denied;
    case QuestionOutcome::answeredElsewhere:
        return TransportMessage::PermissionOutcome::answeredElsewhere;
    case QuestionOutcome::withdrawn:
        break;
    }
    return TransportMessage::PermissionOutcome::withdrawn;
}

DiagnosticLogger::Context about(const TransportPeer& peer, DiagnosticLogger::Context extra = {}) {
    extra["peer"] = peer.displayName;
    return extra;
}

} // namespace

HostTransportBridge::HostTransportBridge(Services services, std::unique_ptr<MPCTransport> transport,
                                         QObject* parent)
    : QObject(parent), services_(std::move(services)), transport_(std::move(transport)) {}

HostTransportBridge::~HostTransportBridge() {
    if (settingsObserver_ >= 0) {
        services_.settings.removeObserver(settingsObserver_);
    }
    QObject::disconnect(subscription_);
    transport_->onPeerConnected = nullptr;
    transport_->onPeerDisconnected = nullptr;
    transport_->onReceive = nullptr;
    transport_->onInvitationReceived = nullptr;
    transport_->onInvitationReceivedFrom = nullptr;
}

std::unique_ptr<MPCTransport>
HostTransportBridge::makeTransport(const std::optional<std::string>& displayName,
                                   MPCTransport::Options options) {
    std::string name = displayName.value_or("");
    if (name.empty()) {
        name = QSysInfo::machineHostName().toStdString();
    }
    if (name.empty()) {
        name = "Mac";
    }
    return std::make_unique<MPCTransport>(name, TransportRole::host,
                                          std::string(TransportServiceType::mvp), true, true,
                                          std::move(options));
}

void HostTransportBridge::start() {
    QPointer<HostTransportBridge> self(this);
    transport_->onPeerConnected = [self](const TransportPeer& peer) {
        if (!self) {
            return;
        }
        DiagnosticLogger::info(category, "peer connected", about(peer));
        QTimer::singleShot(0, self, [self] { self->refreshPeerCount(); });
    };
    transport_->onPeerDisconnected = [self](const TransportPeer& peer) {
        if (!self) {
            return;
        }
        DiagnosticLogger::info(category, "peer disconnected", about(peer));
        if (!self->transport_->isConnected(peer)) {
            self->admittedWith_.erase(peer.id);
            self->requestBudgets_.erase(peer.id);
        }
        QTimer::singleShot(0, self, [self] { self->refreshPeerCount(); });
    };
    transport_->onReceive = [self](const TransportMessage& message, const TransportPeer& peer) {
        if (self) {
            self->received(message, peer);
        }
    };
    transport_->onInvitationReceivedFrom =
        [self](const TransportPeer& peer, const std::optional<std::string>& context,
               const std::string& address, MPCTransport::Decision decide) {
            if (self) {
                self->invitationReceived(peer, context, address, decide);
            }
        };
    if (settingsObserver_ < 0) {
        // Checked from the event loop, once for a burst of writes: the
        // observer may run inside a write, between the two keys.
        settingsObserver_ = services_.settings.addObserver([self] {
            if (!self || std::exchange(self->checkScheduled_, true)) {
                return;
            }
            QTimer::singleShot(0, self, [self] {
                if (self) {
                    self->checkScheduled_ = false;
                    self->closeForgottenPhones();
                }
            });
        });
    }
    transport_->start();
    QObject::disconnect(subscription_);
    subscription_ = connect(&services_.store, &ProcessStateStore::processesChanged, this,
                            &HostTransportBridge::diffAndPush);
    diffAndPush(services_.store.processes());
    for (auto& connection : questionSubscriptions_) {
        QObject::disconnect(connection);
    }
    questionSubscriptions_.clear();
    if (services_.questions != nullptr) {
        questionSubscriptions_.push_back(
            connect(services_.questions, &OpenQuestions::opened, this,
                    [this](const OpenQuestion& question) {
                        if (phonesAnswer(services_.settings)) {
                            broadcast(requestOf(question), transport_->connectedPeers());
                        }
                    }));
        questionSubscriptions_.push_back(connect(
            services_.questions, &OpenQuestions::closed, this,
            [this](const OpenQuestion& question, QuestionOutcome outcome) {
                // Said whatever the setting is now: a phone that saw the
                // question must learn that it is gone.
                broadcast(TransportMessage::permissionResolved(
                              {std::to_string(question.id), outcomeOnTheWire(outcome)}),
                          transport_->connectedPeers());
            }));
    }
}

void HostTransportBridge::sendOpenQuestions(const std::vector<TransportPeer>& peers) {
    if (services_.questions == nullptr || !phonesAnswer(services_.settings)) {
        return;
    }
    for (const OpenQuestion& question : services_.questions->questions()) {
        broadcast(requestOf(question), peers);
    }
}

bool HostTransportBridge::phonesAnswer(const SettingsStore& settings) {
    return settings.string(QString::fromLatin1(phoneAnswersKey)) == QStringLiteral("true");
}

void HostTransportBridge::setPhonesAnswer(SettingsStore& settings, bool on) {
    settings.setBoolean(QString::fromLatin1(phoneAnswersKey), on);
}

void HostTransportBridge::handleDecision(const TransportMessage::PermissionDecision& decision,
                                         const TransportPeer& peer) {
    // Only a question that is open, on a link allowed to answer, is answered;
    // anything else is told that the question is closed and changes nothing.
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(
        decision.requestId.data(), decision.requestId.data() + decision.requestId.size(), id);
    const bool parsed =
        error == std::errc() && end == decision.requestId.data() + decision.requestId.size();
    if (services_.questions != nullptr && phonesAnswer(services_.settings) && parsed &&
        services_.questions->find(id) != nullptr) {
        services_.questions->answer(
            id,
            decision.allow ? allowOrDeny(true)
                           : PermissionQuestion::Answer{PermissionQuestion::Behavior::deny,
                                                        decision.message.value_or(deniedMessage)},
            "phone " + peer.displayName);
        return;
    }
    try {
        transport_->send(TransportMessage::permissionResolved(
                             {decision.requestId, TransportMessage::PermissionOutcome::withdrawn}),
                         peer);
    } catch (const TransportError& e) {
        DiagnosticLogger::warn(category, "推送失败", about(peer, {{"error", e.description()}}));
    }
}

void HostTransportBridge::stop() {
    QObject::disconnect(subscription_);
    for (auto& connection : questionSubscriptions_) {
        QObject::disconnect(connection);
    }
    questionSubscriptions_.clear();
    admittedWith_.clear();
    requestBudgets_.clear();
    transport_->stop();
    connectedPeerCount_ = 0;
    emit connectedPeerCountChanged(0);
}

void HostTransportBridge::refreshPeerCount() {
    const int count = static_cast<int>(transport_->connectedPeers().size());
    if (count != connectedPeerCount_) {
        connectedPeerCount_ = count;
        emit connectedPeerCountChanged(count);
    }
}

bool HostTransportBridge::refuseWhenBusy(const TransportPeer& peer,
                                         const MPCTransport::Decision& decide) {
    const auto connected = transport_->connectedPeers();
    if (connected.empty()) {
        return false;
    }
    std::string names;
    for (const auto& p : connected) {
        names += (names.empty() ? "" : ",") + p.displayName;
    }
    DiagnosticLogger::info(category, "拒绝邀请: 已有连接 (1:1 约束)",
                           about(peer, {{"connected", names}}));
    decide(false, "another phone is connected to this computer");
    return true;
}

void HostTransportBridge::invitationReceived(const TransportPeer& peer,
                                             const std::optional<std::string>& context,
                                             const std::string& address,
                                             const MPCTransport::Decision& decide) {
    if (refuseWhenBusy(peer, decide)) {
        return;
    }
    auto token = TransportInvitationContext::pairingToken(context);
    if (PairedClientStorage::contains(services_.settings, peer.displayName, token)) {
        DiagnosticLogger::info(category, "auto-accept paired", about(peer));
        admit(peer, token, decide);
        return;
    }
    // The token is all that keeps another device from passing as this phone
    // later; one that can be guessed is not worth asking the user about.
    if (token && TransportInvitationContext::estimatedBits(*token) <
                     TransportInvitationContext::minimumTokenBits) {
        if (noteOnceAMinute("short token")) {
            DiagnosticLogger::warn(category,
                                   "refused pairing: the phone's pairing token is shorter than "
                                   "128 bits",
                                   about(peer, {{"address", address}}));
        }
        decide(false, "pairing token too short: use at least 128 random bits");
        return;
    }
    // A source whose question was just turned down (or went unanswered)
    // waits before it may ask again: one invitation every few seconds would
    // otherwise keep the question, and the user, busy for good.
    const std::string source =
        NearbyAdvertiser::sourceOf(QHostAddress(QString::fromStdString(address))).toStdString();
    const Timestamp at = transport_->currentTime();
    std::erase_if(askAgainAfter_, [&](const auto& entry) { return entry.second <= at; });
    if (askAgainAfter_.contains(source)) {
        if (noteOnceAMinute("asked lately")) {
            DiagnosticLogger::info(category, "refused: this address was turned down a moment ago",
                                   about(peer, {{"address", address}}));
        }
        decide(false, "turned down a moment ago; try again in a minute");
        return;
    }
    const bool alreadyPaired =
        PairedClientStorage::tokensByDisplayName(services_.settings).contains(peer.displayName);
    QPointer<HostTransportBridge> self(this);
    services_.trust.ask({peer, address, alreadyPaired},
                        [self, peer, token, source, decide](TrustPrompt::Answer answer) {
                            if (self) {
                                self->trustAnswered(peer, token, source, answer, decide);
                            }
                        });
}

void HostTransportBridge::trustAnswered(const TransportPeer& peer,
                                        const std::optional<std::string>& token,
                                        const std::string& source, TrustPrompt::Answer answer,
                                        const MPCTransport::Decision& decide) {
    switch (answer) {
    case TrustPrompt::Answer::trusted:
        // Another phone may have come in while the user was deciding; one
        // phone at a time still holds.
        if (refuseWhenBusy(peer, decide)) {
            return;
        }
        if (!token) {
            DiagnosticLogger::warn(category, "user accepted uncredentialed one-shot connection",
                                   about(peer));
        } else {
            PairedClientStorage::add(services_.settings, peer.displayName, *token);
            DiagnosticLogger::info(category, "user accepted pairing", about(peer));
        }
        admit(peer, token, decide);
        return;
    case TrustPrompt::Answer::rejected:
        DiagnosticLogger::info(category, "user rejected pairing", about(peer));
        if (askAgainAfter_.size() < maxSourcesWaiting) {
            askAgainAfter_[source] = transport_->currentTime() + askAgainWait;
        }
        decide(false, "declined on the computer");
        return;
    case TrustPrompt::Answer::busy:
        if (noteOnceAMinute("busy")) {
            DiagnosticLogger::info(category, "refused: another phone is being asked about",
                                   about(peer));
        }
        decide(false, "another phone is being asked about; try again shortly");
        return;
    case TrustPrompt::Answer::unavailable: {
        // Nobody decided anything: the transport logs these refusals per source
        // address; the hint on how to pair is given once a minute at most.
        if (noteOnceAMinute("unavailable")) {
            DiagnosticLogger::warn(category,
                                   "refused an unpaired phone: pairing needs someone to trust it "
                                   "(run QuilloMac --headless in a terminal, or with the desktop "
                                   "interface)",
                                   about(peer));
        }
        decide(false, "nobody at the computer can confirm a new phone right now");
        return;
    }
    }
}

bool HostTransportBridge::noteOnceAMinute(const std::string& what) {
    const Timestamp at = transport_->currentTime();
    auto it = lastNotes_.find(what);
    if (it != lastNotes_.end() && at - it->second < Seconds(60)) {
        return false;
    }
    lastNotes_[what] = at;
    return true;
}

void HostTransportBridge::admit(const TransportPeer& peer, const std::optional<std::string>& token,
                                const MPCTransport::Decision& decide) {
    admittedWith_[peer.id] = token;
    decide(true);
}

void HostTransportBridge::closeForgottenPhones() {
    for (const auto& peer : transport_->connectedPeers()) {
        auto admitted = admittedWith_.find(peer.id);
        if (admitted == admittedWith_.end() || !admitted->second) {
            continue; // let in once without a pairing: nothing to revoke
        }
        if (!PairedClientStorage::contains(services_.settings, peer.displayName,
                                           admitted->second)) {
            DiagnosticLogger::info(category, "pairing removed: link closed", about(peer));
            admittedWith_.erase(admitted);
            transport_->disconnectPeer(peer);
        }
    }
}

std::optional<PairingAddress> HostTransportBridge::pairingAddress() const {
    // Known while a phone is connected too, when nothing listens.
    const auto port = transport_->pairingPort();
    if (!port) {
        return std::nullopt;
    }
    QString host;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            host = address.toString();
            break;
        }
    }
    if (host.isEmpty()) {
        host = QSysInfo::machineHostName();
    }
    return PairingAddress{host.toStdString(), *port, transport_->hostFingerprint().toStdString(),
                          transport_->myPeerID()};
}

bool HostTransportBridge::withinRequestBudget(const TransportPeer& peer) {
    const Timestamp at = transport_->currentTime();
    auto [it, fresh] = requestBudgets_.try_emplace(peer.id);
    RequestBudget& budget = it->second;
    if (fresh) {
        budget.refilledAt = at;
    }
    const double elapsed = std::max(0.0, (at - budget.refilledAt).count());
    budget.allowance = std::min(requestBurst, budget.allowance + elapsed * requestsPerSecond);
    budget.refilledAt = at;
    if (budget.allowance >= 1) {
        budget.allowance -= 1;
        return true;
    }
    ++budget.dropped;
    if (!budget.lastNote || at - *budget.lastNote >= Seconds(60)) {
        DiagnosticLogger::warn(category, "too many requests from the phone; dropped",
                               about(peer, {{"dropped", std::to_string(budget.dropped)}}));
        budget.lastNote = at;
        budget.dropped = 0;
    }
    return false;
}

void HostTransportBridge::received(const TransportMessage& message, const TransportPeer& peer) {
    if ((message.kind() == TransportMessage::Kind::switchTo ||
         message.kind() == TransportMessage::Kind::snapshotRequest ||
         message.kind() == TransportMessage::Kind::permissionDecision) &&
        !withinRequestBudget(peer)) {
        return;
    }
    switch (message.kind()) {
    case TransportMessage::Kind::switchTo:
        handleSwitchTo(std::get<TransportMessage::SwitchTo>(message.payload), peer);
        return;
    case TransportMessage::Kind::snapshotRequest:
        sendSnapshot(peer);
        return;
    case TransportMessage::Kind::unpairNotification:
        // The phone forgot us itself; its link stays for this time, as for a
        // phone let in once.
        if (auto admitted = admittedWith_.find(peer.id); admitted != admittedWith_.end()) {
            admitted->second.reset();
        }
        PairedClientStorage::remove(services_.settings, peer.displayName);
        DiagnosticLogger::info(category, "client unpaired", about(peer));
        return;
    case TransportMessage::Kind::permissionDecision:
        handleDecision(std::get<TransportMessage::PermissionDecision>(message.payload), peer);
        return;
    case TransportMessage::Kind::stateUpdate:
    case TransportMessage::Kind::snapshot:
    case TransportMessage::Kind::switchResult:
    case TransportMessage::Kind::permissionRequest:
    case TransportMessage::Kind::permissionResolved:
        return; // only the monitor sends these
    }
}

void HostTransportBridge::diffAndPush(const std::vector<ClaudeProcess>& processes) {
    std::map<std::string, ClaudeProcess> current;
    for (const auto& p : processes) {
        current.emplace(p.id, p);
    }
    bool addedOrRemoved = false;
    std::vector<const ClaudeProcess*> changed;
    for (const auto& [id, process] : current) {
        auto before = lastPushed_.find(id);
        if (before == lastPushed_.end()) {
            addedOrRemoved = true;
        } else if (before->second.state != process.state) {
            changed.push_back(&process);
        }
    }
    for (const auto& [id, process] : lastPushed_) {
        if (!current.contains(id)) {
            addedOrRemoved = true;
        }
    }
    const auto peers = transport_->connectedPeers();
    if (!peers.empty()) {
        for (const auto* process : changed) {
            broadcast(TransportMessage::stateUpdate(
                          {process->id, process->state, process->stateChangedAt}),
                      peers);
        }
        if (addedOrRemoved) {
            broadcast(TransportMessage::snapshot(makeSnapshot(processes)), peers);
        }
    }
    lastPushed_ = std::move(current);
}

void HostTransportBridge::broadcast(const TransportMessage& message,
                                    const std::vector<TransportPeer>& peers) {
    for (const auto& peer : peers) {
        try {
            transport_->send(message, peer);
        } catch (const TransportError& e) {
            DiagnosticLogger::warn(category, "推送失败", about(peer, {{"error", e.description()}}));
        }
    }
}

TransportMessage::Snapshot
HostTransportBridge::makeSnapshot(const std::vector<ClaudeProcess>& processes) {
    TransportMessage::Snapshot snapshot;
    snapshot.processes.reserve(processes.size());
    for (const auto& p : processes) {
        std::optional<std::string> terminal;
        if (p.terminal) {
            terminal = std::string(displayName(p.terminal->kind));
        }
        snapshot.processes.push_back({p.id, p.name, p.state, terminal, p.terminal.has_value(),
                                      p.startedAt, p.stateChangedAt});
    }
    return snapshot;
}

void HostTransportBridge::sendSnapshot(const TransportPeer& peer) {
    try {
        transport_->send(TransportMessage::snapshot(makeSnapshot(services_.store.processes())),
                         peer);
    } catch (const TransportError& e) {
        DiagnosticLogger::error(category, "snapshot 发送失败",
                                about(peer, {{"error", e.description()}}));
        return;
    }
    // A phone that connects later learns of the questions already open.
    sendOpenQuestions({peer});
}

void HostTransportBridge::handleSwitchTo(const TransportMessage::SwitchTo& request,
                                         const TransportPeer& peer) {
    TransportMessage::SwitchResult answer{request.processId, false, std::nullopt};
    const auto& processes = services_.store.processes();
    auto it = std::find_if(processes.begin(), processes.end(),
                           [&](const ClaudeProcess& p) { return p.id == request.processId; });
    if (it == processes.end()) {
        answer.errorMessage = tr("进程不存在").toStdString();
    } else {
        // A copy: switching may run the event loop, during which the table can change.
        const ClaudeProcess process = *it;
        SwitchResult result = services_.switchTo(process);
        answer.success = result.succeeded();
        if (!answer.success) {
            answer.errorMessage = result.message;
        }
    }
    try {
        transport_->send(TransportMessage::switchResult(answer), peer);
    } catch (const TransportError& e) {
        DiagnosticLogger::warn(category, "switch_result 发送失败",
                               about(peer, {{"error", e.description()}}));
    }
}

} // namespace quillo
