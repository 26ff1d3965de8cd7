// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "MPCTransport.h"
#include "networking/TrustPrompt.h"
#include "platform/SettingsStore.h"
#include "state/ProcessStateStore.h"
#include "terminal/SwitchResult.h"
#include "transport/PairingAddress.h"
#include "transport/TransportMessage.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

class OpenQuestions;
struct OpenQuestion;

// The monitor's side of the phone link. Owns the transport in the host role,
// lets one phone in at a time (paired phones at once, new ones after the user
// trusts them), pushes every state change of the process table to it, and
// answers its requests for the full list and for terminal switching.
class HostTransportBridge : public QObject {
    Q_OBJECT
public:
    using SwitchFunction = std::function<SwitchResult(const ClaudeProcess&)>;

    // Everything must outlive the bridge.
    struct Services {
        ProcessStateStore& store;
        SettingsStore& settings;
        TrustPrompt& trust;
        SwitchFunction switchTo;
        // The permission questions a paired phone may answer; none: no
        // questions on the link.
        OpenQuestions* questions = nullptr;
    };

    // Whether paired phones see and answer permission questions (absent: no).
    static constexpr const char* phoneAnswersKey = "quillo.phoneAnswersPermissions";
    static bool phonesAnswer(const SettingsStore& settings);
    static void setPhonesAnswer(SettingsStore& settings, bool on);

    HostTransportBridge(Services services, std::unique_ptr<MPCTransport> transport,
                        QObject* parent = nullptr);
    ~HostTransportBridge() override;

    // The monitor's transport: host role, service "quillo-v1", automatic
    // invitations, discovery paused while a phone is connected. The name is
    // the given one, else the host name, else "Mac".
    static std::unique_ptr<MPCTransport>
    makeTransport(const std::optional<std::string>& displayName,
                  MPCTransport::Options options = {});

    // Wires the transport, starts it, and follows the store (the first diff
    // runs at once and only records the table).
    void start();
    // Ends the store subscription, stops the transport, publishes 0 phones.
    void stop();

    int connectedPeerCount() const { return connectedPeerCount_; }
    MPCTransport& transport() { return *transport_; }
    const MPCTransport& transport() const { return *transport_; }

    // Where a phone reaches and recognises this computer: the first IPv4
    // address that is not loopback (else the host name), the port, the
    // certificate fingerprint and the name. Nothing while stopped or before
    // it listened once.
    std::optional<PairingAddress> pairingAddress() const;

    // One snapshot entry per process, in table order.
    static TransportMessage::Snapshot makeSnapshot(const std::vector<ClaudeProcess>& processes);

    // Requests a phone may make at once, and how fast that allowance comes
    // back. Each switch runs the terminal switcher and writes to the log; more
    // is dropped, and said once a minute.
    static constexpr double requestBurst = 5;
    static constexpr double requestsPerSecond = 2;

signals:
    void connectedPeerCountChanged(int count);

private:
    void refreshPeerCount();
    void invitationReceived(const TransportPeer& peer, const std::optional<std::string>& context,
                            const std::string& address, const MPCTransport::Decision& decide);
    void trustAnswered(const TransportPeer& peer, const std::optional<std::string>& token,
                       const std::string& source, TrustPrompt::Answer answer,
                       const MPCTransport::Decision& decide);
    bool refuseWhenBusy(const TransportPeer& peer, const MPCTransport::Decision& decide);
    void received(const TransportMessage& message, const TransportPeer& peer);
    void diffAndPush(const std::vector<ClaudeProcess>& processes);
    void broadcast(const TransportMessage& message, const std::vector<TransportPeer>& peers);
    void sendSnapshot(const TransportPeer& peer);
    void handleSwitchTo(const TransportMessage::SwitchTo& request, const TransportPeer& peer);
    void handleDecision(const TransportMessage::PermissionDecision& decision,
                        const TransportPeer& peer);
    void sendOpenQuestions(const std::vector<TransportPeer>& peers);
    void admit(const TransportPeer& peer, const std::optional<std::string>& token,
               const MPCTransport::Decision& decide);
    void closeForgottenPhones();
    bool withinRequestBudget(const TransportPeer& peer);

    Services services_;
    std::unique_ptr<MPCTransport> transport_;
    int connectedPeerCount_ = 0;
    QMetaObject::Connection subscription_;
    std::vector<QMetaObject::Connection> questionSubscriptions_;
    std::map<std::string, ClaudeProcess> lastPushed_;
    // Notes that a stranger could repeat at will are written once a minute.
    bool noteOnceAMinute(const std::string& what);
    std::map<std::string, Timestamp> lastNotes_;
    // Sources whose question was turned down, and until when they wait.
    static constexpr Seconds askAgainWait{60};
    static constexpr std::size_t maxSourcesWaiting = 4096;
    std::map<std::string, Timestamp> askAgainAfter_;
    // The token each phone was let in with; none for a phone let in once
    // without one. A phone whose pairing is gone (unpaired here, in the
    // settings or from a terminal) loses its link at once.
    std::map<std::string, std::optional<std::string>> admittedWith_;
    int settingsObserver_ = -1;
    struct RequestBudget {
        double allowance = requestBurst;
        Timestamp refilledAt{};
        int dropped = 0;
        std::optional<Timestamp> lastNote;
    };
    std::map<std::string, RequestBudget> requestBudgets_; // per connected phone
    bool checkScheduled_ = false;
};

} // namespace quillo
