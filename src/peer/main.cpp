// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloPeer: a phone on the command line. Connects to a Quillo monitor as a
// phone app would, prints what it receives as JSON lines and sends requests.
#include "JsonWriter.h"
#include "KnownHosts.h"
#include "MPCTransport.h"
#include "PeerOptions.h"
#include "app/BuildVersion.h"
#include "platform/AvahiServiceDiscovery.h"
#include "platform/LocalServiceDiscovery.h"
#include "transport/TransportCoding.h"
#include "transport/TransportError.h"
#include "transport/TransportInvitationContext.h"
#include "transport/TransportServiceType.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <deque>
#include <iostream>
#include <set>
#include <string>

namespace {

using namespace quillo;

// How long a known host whose saved address failed is looked for on the
// network, unless --timeout says otherwise.
constexpr int fallbackBrowseSeconds = 30;

void status(const std::string& line) {
    std::cerr << "[quillo-peer] " << line << std::endl;
}

// 256 random bits, as 64 hex digits.
std::string randomPairingToken() {
    quint32 words[8];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex().toStdString();
}

// Asks on the terminal; only "y" or "yes" trusts. Read straight from the
// descriptor, so the command reader sees none of the answer.
bool askOnTerminal(const std::string& question) {
    std::cerr << "[quillo-peer] " << question << " [y/N] " << std::flush;
    std::string answer;
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
        answer += c;
    }
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) {
        answer.pop_back();
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

// One run of QuilloPeer: finds the host (at the given address, else by
// browsing), checks its certificate before the token leaves, then relays
// messages between the host and the terminal.
class PeerRun {
public:
    PeerRun(PeerOptions options, KnownHosts& known, QCoreApplication& app)
        : options_(std::move(options)), known_(known), app_(app) {
        newHosts_ = options_.trustNewHost    ? NewHostPolicy::trust
                    : ::isatty(STDIN_FILENO) ? NewHostPolicy::ask
                                             : NewHostPolicy::refuse;
        if (options_.host) {
            typed_ = HostAddress{*options_.host, *options_.port};
            // The host meant: the pinned one, else the one last reached there.
            if (options_.pin) {
                expected_ = options_.pin;
            } else if (auto before = known_.at(*typed_)) {
                expected_ = before->fingerprint;
            }
        }
    }

    void start() {
        std::shared_ptr<ServiceDiscovery> discovery;
        if (typed_) {
            auto direct = std::make_shared<LocalServiceDiscovery>();
            const QString host = QString::fromStdString(typed_->host);
            direct->addFixed(serviceType(),
                             {QString::fromStdString(typed_->toString()), host, typed_->port});
            discovery = direct;
            status("connecting to " + typed_->toString());
        } else {
            status("browsing for _" + std::string(TransportServiceType::mvp) + "._tcp");
        }
        startTransport(discovery);
    }

    void stop() {
        if (transport_) {
            transport_->stop();
        }
    }

    void answerQuestion(const TransportMessage::PermissionRequest& question) {
        if (!options_.answerPermissions) {
            return;
        }
        switch (*options_.answerPermissions) {
        case PeerOptions::Answering::allow:
        case PeerOptions::Answering::deny: {
            const bool allow = *options_.answerPermissions == PeerOptions::Answering::allow;
            status(std::string(allow ? "allowing " : "denying ") + question.requestId + ": " +
                   question.summary);
            send(TransportMessage::permissionDecision({question.requestId, allow, std::nullopt}));
            return;
        }
        case PeerOptions::Answering::ask:
            status("permission question " + question.requestId + " from " +
                   question.processId + ": " + question.summary + " (answer: allow " +
                   question.requestId + " | deny " + question.requestId + ")");
            return;
        }
    }

    void send(const TransportMessage& message) {
        if (!host_) {
            waiting_.push_back(message);
            return;
        }
        try {
            transport_->send(message, *host_);
        } catch (const TransportError& e) {
            status(e.description());
        }
    }

    bool connected() const { return host_.has_value(); }

private:
    // What one invitation came to.
    struct Attempt {
        bool checked = false;  // the host showed its certificate
        bool refused = false;  // and we would not send it anything
        bool asked = false;    // the user trusted it on the terminal
        bool declined = false; // the host said no
    };

    static QString serviceType() {
        return QString::fromUtf8(TransportServiceType::mvp.data(),
                                 static_cast<qsizetype>(TransportServiceType::mvp.size()));
    }

    void startTransport(std::shared_ptr<ServiceDiscovery> discovery) {
        MPCTransport::Options transportOptions;
        transportOptions.discovery = std::move(discovery); // empty: avahi
        transportOptions.verifyHost = [this](const NearbyEndpoint& endpoint,
                                             const QString& fingerprint) {
            return checkHost(endpoint, fingerprint.toStdString());
        };
        transport_ = std::make_unique<MPCTransport>(options_.name, TransportRole::client,
                                                    std::string(TransportServiceType::mvp), false,
                                                    true, transportOptions);
        transport_->onPeerDiscovered = [this](const TransportPeer& peer) {
            if (!tried_.contains(peer.id) &&
                std::find(found_.begin(), found_.end(), peer.id) == found_.end()) {
                found_.push_back(peer.id);
            }
            inviteNext();
        };
        transport_->onPeerConnected = [this](const TransportPeer& peer) {
            host_ = peer;
            inviting_.reset();
            status("connected to " + peer.displayName);
            auto queued = std::move(waiting_);
            waiting_.clear();
            for (const auto& message : queued) {
                send(message);
            }
        };
        transport_->onInvitationDeclined = [this](const TransportPeer& peer,
                                                  const std::string& reason) {
            attempt_.declined = true;
            status("declined by " + peer.displayName + (reason.empty() ? "" : ": " + reason));
        };
        transport_->onPeerDisconnected = [this](const TransportPeer& peer) {
            invitationEnded(peer);
        };
        transport_->onReceive = [this](const TransportMessage& message, const TransportPeer&) {
            if (auto line = JsonWriter::compact(TransportCoding::toJson(message))) {
                std::cout << *line << std::endl;
            }
            if (message.kind() == TransportMessage::Kind::permissionRequest) {
                answerQuestion(std::get<TransportMessage::PermissionRequest>(message.payload));
            }
            if (options_.count && ++received_ >= *options_.count) {
                app_.exit(0);
            }
        };
        transport_->start();
    }

    // Invites the next host found and not tried yet, one at a time. A host
    // the transport does not list right now (it rebuilds its session after a
    // run of failures, and finds the hosts again) waits until it is found.
    void inviteNext() {
        if (!transport_ || host_ || inviting_) {
            return;
        }
        const auto listed = transport_->discoveredPeers();
        auto next = std::find_if(found_.begin(), found_.end(), [&](const std::string& name) {
            return std::find(listed.begin(), listed.end(), name) != listed.end();
        });
        if (next == found_.end()) {
            return;
        }
        const std::string name = *next;
        found_.erase(next);
        tried_.insert(name);
        inviting_ = name;
        attempt_ = {};
        status("found " + name + "; inviting");
        // The context is chosen by the host check, once the host is known.
        transport_->invite({name, name}, std::nullopt);
    }

    // Runs right after the TLS handshake, before anything is sent: whether
    // this host gets an invitation, and with which of our tokens.
    std::optional<NearbyConnection::InviteContext> checkHost(const NearbyEndpoint& endpoint,
                                                             const std::string& fingerprint) {
        attempt_.checked = true;
        HostSighting sighting;
        sighting.fingerprint = fingerprint;
        sighting.name = endpoint.name.toStdString();
        sighting.address = HostAddress{endpoint.host.toStdString(), endpoint.port};
        if (fallingBack_) {
            sighting.lookingFor = expected_;
        } else {
            sighting.addressTyped = typed_.has_value();
            sighting.pin = options_.pin;
        }
        HostVerdict verdict = judgeHost(known_, sighting, newHosts_);
        bool trusted = verdict.kind == HostVerdict::Kind::trusted;
        if (verdict.kind == HostVerdict::Kind::ask) {
            trusted = askOnTerminal(verdict.message +
                                    "\n[quillo-peer] Trust it and send it a pairing token?");
            attempt_.asked = trusted;
            if (!trusted) {
                status("not trusted; nothing was sent");
            }
        } else if (!verdict.message.empty()) {
            status(verdict.message);
        }
        if (!trusted) {
            attempt_.refused = true;
            return std::nullopt;
        }
        const std::string presented = normalizedFingerprint(fingerprint).value_or(fingerprint);
        KnownHost host = known_.withFingerprint(presented).value_or(KnownHost{presented, {}, {}});
        if (options_.token) {
            host.token = options_.token;
        } else if (!host.token) {
            // The token is the pairing's only secret: never a guessable one,
            // and never the one another host knows.
            host.token = randomPairingToken();
            status("new pairing token " + *host.token + " for this host, remembered in " +
                   known_.file().string());
        }
        if (fallingBack_) {
            status("saved address " + typed_->toString() +
                   " refused the connection or did not answer; found the host at " +
                   sighting.address->toString());
        }
        host.reachedAt(*sighting.address);
        if (!known_.remember(host)) {
            status("could not write " + known_.file().string());
        }
        NearbyConnection::InviteContext context;
        if (auto bytes = TransportInvitationContext::encode(*host.token)) {
            context = QByteArray::fromStdString(*bytes);
        }
        return context;
    }

    void invitationEnded(const TransportPeer& peer) {
        if (host_) {
            status("disconnected from " + peer.displayName);
            app_.exit(0);
            return;
        }
        if (inviting_ != peer.id) {
            return;
        }
        inviting_.reset();
        const Attempt attempt = attempt_;
        if (attempt.declined) {
            app_.exit(1); // said why already
            return;
        }
        if (attempt.asked && !retriedAfterAsking_) {
            // While the user read the fingerprint the host may have given up
            // waiting for the invitation; the host is known now, so go again.
            retriedAfterAsking_ = true;
            tried_.erase(peer.id);
            found_.push_front(peer.id);
            inviteNextLater();
            return;
        }
        if (!attempt.checked && typed_ && !fallingBack_ && expected_) {
            startFallback();
            return;
        }
        if (attempt.checked && !attempt.refused) {
            status("not accepted by " + peer.displayName + " (no answer in time)");
            app_.exit(1);
            return;
        }
        if (!attempt.checked) {
            status("could not reach " + peer.displayName);
        }
        if (fallingBack_) {
            inviteNextLater(); // keep looking until the time is up
            return;
        }
        if (!typed_ && !found_.empty()) {
            inviteNextLater(); // another host on the network may be the one
            return;
        }
        app_.exit(1);
    }

    // After the transport has finished with the connection that ended.
    void inviteNextLater() {
        QTimer::singleShot(0, &app_, [this] { inviteNext(); });
    }

    // The saved address of a known host did not answer: it may have moved
    // (another address, or another port because its usual one was taken), so
    // look for a host with the same certificate on the local network.
    void startFallback() {
        fallingBack_ = true;
        status("saved address " + typed_->toString() +
               " refused the connection or did not answer; looking on the local network for "
               "the host with certificate fingerprint " +
               *expected_);
        found_.clear();
        tried_.clear();
        // Not from inside the old transport's own callback.
        QTimer::singleShot(0, &app_, [this] {
            if (transport_) {
                transport_->stop();
                transport_.release()->deleteLater();
            }
            startTransport(nullptr);
        });
        if (!options_.timeoutSeconds) {
            QTimer::singleShot(fallbackBrowseSeconds * 1000, &app_, [this] {
                if (!host_) {
                    status(AvahiServiceDiscovery::shared()->daemonRunning()
                               ? "the host was not found on the local network"
                               : "the host was not found: no DNS-SD daemon runs to look with");
                    app_.exit(1);
                }
            });
        }
    }

    PeerOptions options_;
    KnownHosts& known_;
    QCoreApplication& app_;
    NewHostPolicy newHosts_ = NewHostPolicy::refuse;
    std::optional<HostAddress> typed_;
    std::optional<std::string> expected_;
    bool fallingBack_ = false;
    bool retriedAfterAsking_ = false;
    std::unique_ptr<MPCTransport> transport_;
    std::deque<std::string> found_;
    std::set<std::string> tried_;
    std::optional<std::string> inviting_;
    Attempt attempt_;
    std::optional<TransportPeer> host_;
    std::vector<TransportMessage> waiting_; // sent once connected
    int received_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::cout << peerUsage();
        return 0;
    }
    if (!arguments.empty() && arguments[0] == "--version") {
        std::cout << "QuilloPeer " << BuildVersion::shortVersion << " (build "
                  << BuildVersion::buildNumber << ")\nLicense: GPL-3.0-or-later\n";
        return 0;
    }
    auto parsed = parsePeerOptions(arguments);
    if (auto* error = std::get_if<PeerUsageError>(&parsed)) {
        std::cerr << "QuilloPeer: " << error->message << " (see QuilloPeer --help)\n";
        return 2;
    }
    PeerOptions options = std::get<PeerOptions>(parsed);
    std::signal(SIGPIPE, SIG_IGN);
    KnownHosts knownHosts(KnownHosts::standardFile());
    if (options.forget) {
        const bool forgotten = knownHosts.forget(*options.forget);
        status(forgotten ? "forgot " + *options.forget
                         : *options.forget + " is not in " + knownHosts.file().string());
        return forgotten ? 0 : 1;
    }

    QCoreApplication app(argc, argv);
    const std::vector<TransportMessage> onConnect = options.sendOnConnect;
    const std::optional<int> timeoutSeconds = options.timeoutSeconds;
    PeerRun run(std::move(options), knownHosts, app);
    for (const auto& message : onConnect) {
        run.send(message);
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false); // end of input: keep listening to the monitor
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            if (line == "quit") {
                app.exit(0);
                return;
            }
            if (auto message = parsePeerCommand(line)) {
                run.send(*message);
            } else if (!line.empty()) {
                status("unknown command: " + line);
            }
        }
    });

    if (timeoutSeconds) {
        QTimer::singleShot(*timeoutSeconds * 1000, &app, [&] {
            if (!run.connected()) {
                status("no monitor found in time");
                app.exit(1);
            }
        });
    }
    run.start();
    int code = app.exec();
    run.stop();
    return code;
}
