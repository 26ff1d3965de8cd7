// SPDX-License-Identifier: GPL-3.0-or-later
#include "networking/HostTransportBridge.h"
#include "app/PhoneLinkConsole.h"
#include "networking/PairedClientStorage.h"

#include "DiagnosticLogger.h"
#include "FakeProc.h"
#include "TransportHarness.h"
#include "platform/CommandRunner.h"
#include "platform/DBusCaller.h"
#include "platform/FakeApplicationIdentifier.h"
#include "platform/ScriptRunner.h"
#include "platform/WindowSystem.h"
#include "terminal/TerminalSwitcher.h"
#include "transport/TransportInvitationContext.h"

#include <QFile>
#include <QTcpServer>

#include "questions/OpenQuestions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace quillo {
namespace {

using test::waitUntil;
using TM = TransportMessage;

// Tokens long enough to pair with (a new phone needs 128 bits' worth).
const std::string token = "tok-0123456789abcdefghijk";
const std::string token1 = "tok-1-0123456789abcdefghij";
const std::string token2 = "tok-2-0123456789abcdefghij";
const std::string kimToken = "kim-token-0123456789abcdef";
const std::string leeToken = "lee-token-0123456789abcdef";
const std::string strangerToken = "s-0123456789abcdefghijklm";

// Answers when the test says so; records who asked.
class FakeTrustPrompt : public TrustPrompt {
public:
    void askToTrust(const TransportPeer& peer, const std::string& address,
                    AnswerCallback answer) override {
        asked.push_back(peer.displayName);
        addresses.push_back(address);
        if (automatic) {
            answer(*automatic);
        } else {
            pending = std::move(answer);
        }
    }
    void ask(const Question& question, AnswerCallback answer) override {
        alreadyPaired.push_back(question.alreadyPaired);
        askToTrust(question.peer, question.address, std::move(answer));
    }
    std::optional<Answer> automatic;
    std::vector<std::string> asked;
    std::vector<bool> alreadyPaired;
    std::vector<std::string> addresses;
    AnswerCallback pending;
};

// A phone: a client transport that invites whatever host it finds with its token.
struct Phone {
    Phone(test::TransportHarness& harness, const std::string& name,
          std::optional<std::string> token)
        : transport(harness.client(name, false)) {
        events.attach(*transport);
        transport->onInvitationDeclined = [this](const TransportPeer&, const std::string& why) {
            declineReasons.push_back(why);
        };
        transport->onPeerDiscovered = [this, token](const TransportPeer& host) {
            if (inviteOnce && invited++ > 0) {
                return;
            }
            transport->invite(host,
                              token ? TransportInvitationContext::encode(*token) : std::nullopt);
        };
    }
    void send(const TM& message) { transport->send(message, transport->connectedPeers().at(0)); }
    bool connected() const { return !transport->connectedPeers().empty(); }

    std::unique_ptr<MPCTransport> transport;
    test::TransportEvents events;
    std::vector<std::string> declineReasons;
    bool inviteOnce = false; // a phone whose link was closed would come back at once
    int invited = 0;
};

class HostTransportBridgeTest : public ::testing::Test, public test::TransportHarness {
protected:
    std::unique_ptr<HostTransportBridge> makeBridge(bool pause = true,
                                                    SettingsStore* storage = nullptr) {
        auto options = this->options();
        auto transport = pause ? HostTransportBridge::makeTransport("Desk", options)
                               : std::make_unique<MPCTransport>("Desk", TransportRole::host,
                                                                "quillo-v1", true, false, options);
        auto bridge = std::make_unique<HostTransportBridge>(
            HostTransportBridge::Services{store, storage ? *storage : settings, trust,
                                          [this](const ClaudeProcess& p) {
                                              switched.push_back(p.id);
                                              return TerminalSwitcher(services()).switchTo(p);
                                          },
                                          &questions},
            std::move(transport));
        QObject::connect(bridge.get(), &HostTransportBridge::connectedPeerCountChanged,
                         [this](int count) { counts.push_back(count); });
        return bridge;
    }

    SwitchServices services() { return {scripts, windows, commands, dbus, proc.proc()}; }

    void event(const std::string& name, const std::string& session) {
        ParsedHookEvent e;
        e.eventName = name;
        e.sessionId = session;
        e.cwd = "/home/kim/" + session;
        e.timestamp = clock;
        clock += Seconds(1.25);
        store.ingestBatch({e});
    }

    std::vector<std::string> logMessages() {
        std::vector<std::string> out;
        for (const auto& entry : DiagnosticLogger::recentEntries()) {
            out.insert(out.begin(), entry.message);
        }
        return out;
    }

    std::optional<DiagnosticLogger::Entry> logEntry(const std::string& message) {
        for (const auto& entry : DiagnosticLogger::recentEntries()) {
            if (entry.message.find(message) != std::string::npos) {
                return entry;
            }
        }
        return std::nullopt;
    }

    test::FakeProc proc;
    FakeApplicationIdentifier applications;
    ProcessStateStore store{{proc.proc(), applications}, [this] { return clock; }};
    MemorySettingsStore settings;
    FakeTrustPrompt trust;
    FakeScriptRunner scripts;
    FakeWindowSystem windows;
    FakeCommandRunner commands;
    FakeDBusCaller dbus;
    std::vector<std::string> switched;
    std::vector<int> counts;
    OpenQuestions questions;
};

TEST_F(HostTransportBridgeTest, APairedPhoneGetsInWithoutAPromptAndIsServed) {
    PairedClientStorage::add(settings, "Phone", token);
    auto bridge = makeBridge();
    bridge->start();
    event("SessionStart", "s1"); // no phone yet: nothing is sent, but it is remembered

    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return bridge->connectedPeerCount() == 1 && phone.connected(); }));
    EXPECT_TRUE(trust.asked.empty());
    test::spin(std::chrono::milliseconds(100));
    EXPECT_TRUE(phone.events.received.empty()) << "nothing is pushed on connecting";

    phone.send(TM::snapshotRequest());
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 1; }));
    auto first = std::get<TM::Snapshot>(phone.events.received[0].first.payload);
    ASSERT_EQ(first.processes.size(), 1u);
    EXPECT_EQ(first.processes[0].id, "s1");
    EXPECT_EQ(first.processes[0].state, ProcessState::active);
    EXPECT_FALSE(first.processes[0].terminal.has_value());
    EXPECT_FALSE(first.processes[0].switchable);

    // One batch: s1 changes state and s2 appears: a state_update, then a snapshot.
    ParsedHookEvent stop{.eventName = "Stop", .sessionId = "s1", .timestamp = clock};
    ParsedHookEvent start{
        .eventName = "SessionStart", .sessionId = "s2", .cwd = "/tmp/b", .timestamp = clock};
    store.ingestBatch({stop, start});
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 3; }));
    auto update = std::get<TM::StateUpdate>(phone.events.received[1].first.payload);
    EXPECT_EQ(update.processId, "s1");
    EXPECT_EQ(update.state, ProcessState::waitingInput);
    EXPECT_EQ(std::get<TM::Snapshot>(phone.events.received[2].first.payload).processes.size(), 2u);

    // A batch that changes no state sends nothing.
    store.ingestBatch({});
    phone.send(TM::switchTo({"nope"}));
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 4; }));
    EXPECT_EQ(phone.events.received[3].first, TM::switchResult({"nope", false, "进程不存在"}));

    phone.send(TM::switchTo({"s2"}));
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 5; }));
    EXPECT_EQ(switched, std::vector<std::string>{"s2"});
    EXPECT_EQ(phone.events.received[4].first, TM::switchResult({"s2", false, "未识别终端 app"}));

    // The phone's own kinds of message are ignored; unpairing keeps the connection.
    phone.send(TM::switchResult({"s1", true, std::nullopt}));
    phone.send(TM::unpairNotification());
    ASSERT_TRUE(
        waitUntil([&] { return !PairedClientStorage::contains(settings, "Phone", token); }));
    test::spin(std::chrono::milliseconds(100));
    EXPECT_TRUE(phone.connected());
    EXPECT_EQ(phone.events.received.size(), 5u);

    phone.transport->stop();
    ASSERT_TRUE(waitUntil([&] { return bridge->connectedPeerCount() == 0; }));
    bridge->stop();
    EXPECT_EQ(counts, (std::vector<int>{1, 0, 0}));
    auto messages = logMessages();
    for (const char* expected :
         {"auto-accept paired", "peer connected", "client unpaired", "peer disconnected"}) {
        EXPECT_NE(std::find(messages.begin(), messages.end(), expected), messages.end())
            << expected;
    }
}

TEST_F(HostTransportBridgeTest, AnUnpairedPhoneIsAskedAboutThenRememberedOrRefused) {
    auto bridge = makeBridge();
    bridge->start();

    trust.automatic = TrustPrompt::Answer::rejected;
    {
        Phone phone(*this, "Phone", token1);
        phone.transport->start();
        ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
        EXPECT_FALSE(phone.connected());
    }
    EXPECT_EQ(trust.asked, std::vector<std::string>{"Phone"});
    EXPECT_TRUE(logEntry("user rejected pairing"));
    EXPECT_TRUE(PairedClientStorage::tokensByDisplayName(settings).empty());
    clock += Seconds(61); // a source turned down waits a minute before it may ask again

    trust.automatic = TrustPrompt::Answer::trusted;
    {
        Phone phone(*this, "Phone", token1);
        phone.transport->start();
        ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
        EXPECT_TRUE(PairedClientStorage::contains(settings, "Phone", token1));
        phone.transport->stop();
        ASSERT_TRUE(waitUntil([&] { return bridge->transport().isAdvertising(); }));
    }
    {
        Phone phone(*this, "Phone", token1); // remembered: no second question
        phone.transport->start();
        ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
        EXPECT_EQ(trust.asked.size(), 2u);
        phone.transport->stop();
        ASSERT_TRUE(waitUntil([&] { return bridge->transport().isAdvertising(); }));
    }
    {
        Phone phone(*this, "Phone", token2); // same name, new token: asked, and the token replaced
        phone.transport->start();
        ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
        EXPECT_EQ(trust.asked.size(), 3u);
        EXPECT_EQ(trust.alreadyPaired, (std::vector<bool>{false, false, true}));
        EXPECT_EQ(PairedClientStorage::tokensByDisplayName(settings).at("Phone"), token2);
    }
}

TEST_F(HostTransportBridgeTest, APhoneWithoutATokenIsLetInOnceButNotRemembered) {
    auto bridge = makeBridge();
    bridge->start();
    trust.automatic = TrustPrompt::Answer::trusted;
    for (int round = 1; round <= 2; ++round) {
        Phone phone(*this, "Phone", std::nullopt);
        phone.transport->start();
        ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
        EXPECT_EQ(trust.asked.size(), static_cast<std::size_t>(round));
        phone.transport->stop();
        ASSERT_TRUE(waitUntil([&] { return bridge->transport().isAdvertising(); }));
    }
    EXPECT_TRUE(PairedClientStorage::tokensByDisplayName(settings).empty());
    auto entry = logEntry("user accepted uncredentialed one-shot connection");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->severity, DiagnosticLogger::Severity::warning);
    EXPECT_EQ(entry->context.at("peer"), "Phone");
}

TEST_F(HostTransportBridgeTest, OnePhoneAtATime) {
    PairedClientStorage::add(settings, "First", "a");
    PairedClientStorage::add(settings, "Second", "b");
    auto bridge = makeBridge(false); // keep advertising so the second invitation arrives
    bridge->start();
    Phone first(*this, "First", "a");
    first.transport->start();
    ASSERT_TRUE(waitUntil([&] { return first.connected(); }));

    Phone second(*this, "Second", "b");
    second.transport->start();
    ASSERT_TRUE(waitUntil([&] { return !second.events.disconnected.empty(); }));
    EXPECT_FALSE(second.connected());
    EXPECT_TRUE(trust.asked.empty());
    auto entry = logEntry("已有连接");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->message, "拒绝邀请: 已有连接 (1:1 约束)");
    EXPECT_EQ(entry->context.at("connected"), "First");
    EXPECT_EQ(entry->context.at("peer"), "Second");
}

TEST_F(HostTransportBridgeTest, APhoneTrustedWhileAnotherGotInIsStillRefused) {
    PairedClientStorage::add(settings, "Paired", "a");
    auto bridge = makeBridge(false);
    bridge->start();
    Phone stranger(*this, "Stranger", strangerToken);
    stranger.transport->start();
    ASSERT_TRUE(waitUntil([&] { return static_cast<bool>(trust.pending); }));

    Phone paired(*this, "Paired", "a");
    paired.transport->start();
    ASSERT_TRUE(waitUntil([&] { return paired.connected(); }));
    trust.pending(TrustPrompt::Answer::trusted);
    ASSERT_TRUE(waitUntil([&] { return !stranger.events.disconnected.empty(); }));
    EXPECT_EQ(bridge->transport().connectedPeers().size(), 1u);
}

TEST_F(HostTransportBridgeTest, OnlyStateChangesArePushedAndARemovalSendsASnapshot) {
    PairedClientStorage::add(settings, "Phone", token);
    auto bridge = makeBridge();
    bridge->start();
    event("SessionStart", "s1");
    event("SessionStart", "s2");
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));

    // The same states under another name and with a terminal: nothing to say.
    auto renamed = store.processes();
    ASSERT_EQ(renamed.size(), 2u);
    renamed[0].name = "renamed";
    renamed[1].terminal = TerminalLocation{TerminalKind::unknown, 1, 2, std::nullopt};
    emit store.processesChanged(renamed);
    // Then a real change, so that anything sent before it would be seen first.
    event("Stop", "s1");
    ASSERT_TRUE(waitUntil([&] { return !phone.events.received.empty(); }));
    test::spin(std::chrono::milliseconds(100));
    ASSERT_EQ(phone.events.received.size(), 1u);
    EXPECT_EQ(std::get<TM::StateUpdate>(phone.events.received[0].first.payload).processId, "s1");

    event("SessionEnd", "s2");
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 2; }));
    const auto& after = std::get<TM::Snapshot>(phone.events.received[1].first.payload);
    ASSERT_EQ(after.processes.size(), 1u);
    EXPECT_EQ(after.processes[0].id, "s1");
}

TEST_F(HostTransportBridgeTest, TheTrustPromptIsToldWhereTheInvitationCameFrom) {
    trust.automatic = TrustPrompt::Answer::rejected;
    auto bridge = makeBridge();
    bridge->start();
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
    EXPECT_EQ(trust.addresses, std::vector<std::string>{"127.0.0.1"});
}

TEST_F(HostTransportBridgeTest, TheHeadlessMonitorRefusesUnpairedPhonesAndSaysWhy) {
    HeadlessTrustPrompt headless;
    auto bridge = std::make_unique<HostTransportBridge>(
        HostTransportBridge::Services{
            store, settings, headless,
            [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Desk", options()));
    bridge->start();
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
    auto entry = logEntry("pairing needs someone to trust it");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->category, "transport");
    EXPECT_TRUE(PairedClientStorage::tokensByDisplayName(settings).empty());
}

// Another process (QuilloMac --unpair) rewrites the settings file the way
// every writer does: a new file renamed over the old one.
void unpairFromAnotherProcess(const QString& file, const std::string& name) {
    const QString copy = file + QStringLiteral(".other");
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(file, copy));
    {
        FileSettingsStore other(copy);
        PairedClientStorage::remove(other, name);
    }
    ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()),
              0);
}

TEST_F(HostTransportBridgeTest, APhoneForgottenElsewhereLosesItsLinkAndStaysForgotten) {
    const QString file = QString::fromStdString((home.path() / "QuilloMac.conf").string());
    FileSettingsStore monitorSettings(file);
    PairedClientStorage::add(monitorSettings, "Kim", kimToken);
    auto bridge = makeBridge(true, &monitorSettings);
    bridge->start();
    trust.automatic = TrustPrompt::Answer::trusted;
    {
        Phone kim(*this, "Kim", kimToken);
        kim.inviteOnce = true;
        kim.transport->start();
        ASSERT_TRUE(waitUntil([&] { return kim.connected(); }));
        unpairFromAnotherProcess(file, "Kim");
        ASSERT_TRUE(waitUntil([&] { return !kim.events.disconnected.empty(); }))
            << "the running monitor keeps the forgotten phone's link";
        EXPECT_FALSE(kim.connected());
        ASSERT_TRUE(waitUntil([&] { return bridge->connectedPeerCount() == 0; }));
        ASSERT_TRUE(waitUntil([&] { return bridge->transport().isAdvertising(); }));
    }
    {
        // The next pairing writes the table as it is in the file now.
        Phone lee(*this, "Lee", leeToken);
        lee.transport->start();
        ASSERT_TRUE(waitUntil([&] { return lee.connected(); }));
        lee.transport->stop();
        ASSERT_TRUE(waitUntil([&] { return bridge->transport().isAdvertising(); }));
    }
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray contents = written.readAll();
    EXPECT_TRUE(contents.contains(leeToken.c_str()));
    EXPECT_FALSE(contents.contains("Kim")) << contents.constData();
    {
        Phone kim(*this, "Kim", kimToken); // a stranger again: asked about
        kim.transport->start();
        ASSERT_TRUE(waitUntil([&] { return kim.connected(); }));
        EXPECT_EQ(trust.asked, (std::vector<std::string>{"Lee", "Kim"}));
    }
}

TEST_F(HostTransportBridgeTest, UnpairingInThisProcessClosesTheLinkButNotAOneTimeOne) {
    PairedClientStorage::add(settings, "Phone", token);
    auto bridge = makeBridge(false);
    bridge->start();
    Phone phone(*this, "Phone", token);
    phone.inviteOnce = true;
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
    PairedClientStorage::add(settings, "Other", "x"); // other phones' changes leave it be
    test::spin(std::chrono::milliseconds(200));
    EXPECT_TRUE(phone.connected());
    PairedClientStorage::remove(settings, "Phone");
    ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
    ASSERT_TRUE(waitUntil([&] { return bridge->transport().connectedPeers().empty(); }));

    trust.automatic = TrustPrompt::Answer::trusted;
    Phone once(*this, "Once", std::nullopt);
    once.transport->start();
    ASSERT_TRUE(waitUntil([&] { return once.connected(); }));
    PairedClientStorage::remove(settings, "Other");
    test::spin(std::chrono::milliseconds(200));
    EXPECT_TRUE(once.connected());
}

TEST_F(HostTransportBridgeTest, AFloodOfRequestsIsCutToARateAndLoggedOnce) {
    PairedClientStorage::add(settings, "Phone", token);
    auto bridge = makeBridge();
    bridge->start();
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    // Counted once the host logged the connection itself.
    ASSERT_TRUE(waitUntil([&] { return phone.connected() && bridge->connectedPeerCount() == 1; }));
    const auto before = DiagnosticLogger::recentEntries().size();
    for (int i = 0; i < 200; ++i) {
        phone.send(TM::switchTo({"nope"}));
    }
    const auto burst = static_cast<std::size_t>(HostTransportBridge::requestBurst);
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == burst; }));
    test::spin(std::chrono::milliseconds(300));
    EXPECT_EQ(phone.events.received.size(), burst) << "the clock did not move: no more allowance";
    EXPECT_EQ(DiagnosticLogger::recentEntries().size(), before + 1);
    auto note = logEntry("too many requests");
    ASSERT_TRUE(note);
    EXPECT_EQ(note->context.at("dropped"), "1");

    clock += Seconds(1); // two more requests' worth
    for (int i = 0; i < 5; ++i) {
        phone.send(TM::snapshotRequest());
    }
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == burst + 2; }));
    test::spin(std::chrono::milliseconds(200));
    EXPECT_EQ(phone.events.received.size(), burst + 2);
    EXPECT_EQ(DiagnosticLogger::recentEntries().size(), before + 1) << "said once a minute";
}

TEST_F(HostTransportBridgeTest, ANewPhoneWithAGuessableTokenIsDeclinedWithoutAskingAndTold) {
    PairedClientStorage::add(settings, "Old", "abc"); // paired before: kept as it is
    auto bridge = makeBridge();
    bridge->start();
    trust.automatic = TrustPrompt::Answer::trusted;
    for (const char* weak : {"1234", "0123456789abcdef0123456789abcde", "hunter2hunter2"}) {
        Phone phone(*this, "Phone", weak);
        phone.transport->start();
        ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); })) << weak;
        ASSERT_EQ(phone.declineReasons.size(), 1u) << weak;
        EXPECT_NE(phone.declineReasons[0].find("too short"), std::string::npos);
    }
    EXPECT_TRUE(trust.asked.empty());
    EXPECT_EQ(PairedClientStorage::listedDisplayNames(settings), std::vector<std::string>{"Old"});
    const auto entries = DiagnosticLogger::recentEntries();
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const auto& e) {
                                return e.message.find("shorter than 128 bits") != std::string::npos;
                            }),
              1);

    Phone old(*this, "Old", "abc");
    old.transport->start();
    EXPECT_TRUE(waitUntil([&] { return old.connected(); }));
}

TEST_F(HostTransportBridgeTest, ASourceTurnedDownWaitsAMinuteBeforeItIsAskedAgain) {
    trust.automatic = TrustPrompt::Answer::rejected;
    auto bridge = makeBridge();
    bridge->start();
    auto knock = [&](const std::string& name) {
        Phone phone(*this, name, token);
        phone.transport->start();
        EXPECT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
        return phone.declineReasons;
    };
    EXPECT_EQ(knock("First"), std::vector<std::string>{"declined on the computer"});
    for (const char* name : {"Second", "Third"}) { // any name: it is the source that waits
        const auto reasons = knock(name);
        ASSERT_EQ(reasons.size(), 1u);
        EXPECT_NE(reasons[0].find("a moment ago"), std::string::npos) << reasons[0];
    }
    EXPECT_EQ(trust.asked, std::vector<std::string>{"First"});
    clock += Seconds(61);
    knock("Fourth");
    EXPECT_EQ(trust.asked, (std::vector<std::string>{"First", "Fourth"}));
}

TEST_F(HostTransportBridgeTest, AnInvitationWhileAnotherIsAskedAboutIsToldSo) {
    trust.automatic = TrustPrompt::Answer::busy;
    auto bridge = makeBridge();
    bridge->start();
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
    ASSERT_EQ(phone.declineReasons.size(), 1u);
    EXPECT_NE(phone.declineReasons[0].find("another phone is being asked about"),
              std::string::npos);
    EXPECT_FALSE(logEntry("pairing needs someone to trust it")) << "not the hint for no terminal";
}

TEST_F(HostTransportBridgeTest, ARefusedPhoneIsToldWhy) {
    trust.automatic = TrustPrompt::Answer::rejected;
    auto bridge = makeBridge();
    bridge->start();
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return !phone.events.disconnected.empty(); }));
    EXPECT_EQ(phone.declineReasons, std::vector<std::string>{"declined on the computer"});
}

TEST_F(HostTransportBridgeTest, ThePairingAddressIsKnownWhileAPhoneIsConnected) {
    PairedClientStorage::add(settings, "Phone", token);
    auto bridge = makeBridge();
    bridge->start();
    const auto before = bridge->pairingAddress();
    ASSERT_TRUE(before);
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
    EXPECT_FALSE(bridge->transport().listeningPort()) << "nothing listens while connected";
    const auto during = bridge->pairingAddress();
    ASSERT_TRUE(during);
    EXPECT_EQ(during->port, before->port);
    EXPECT_TRUE(phoneLinkNotices(*bridge).isEmpty());
    bridge->stop();
    EXPECT_FALSE(bridge->pairingAddress());
}

TEST_F(HostTransportBridgeTest, ATakenPortIsSaidWhereTheUserSeesIt) {
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, 0));
    auto options = this->options();
    options.port = squatter.serverPort();
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Desk", options));
    bridge.start();
    ASSERT_TRUE(bridge.transport().listeningPort());
    EXPECT_NE(*bridge.transport().listeningPort(), squatter.serverPort());
    const QStringList notices = phoneLinkNotices(bridge);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QString::number(squatter.serverPort())));
    EXPECT_TRUE(notices[0].contains(QString::number(*bridge.transport().listeningPort())));
    std::ostringstream console;
    printPhoneLinkStatus(bridge, console);
    EXPECT_NE(console.str().find(notices[0].toStdString()), std::string::npos) << console.str();
}

TEST_F(HostTransportBridgeTest, APhoneAllowedToAnswerSeesQuestionsAndItsAnswerDecides) {
    PairedClientStorage::add(settings, "Phone", token);
    auto bridge = makeBridge();
    bridge->start();
    std::vector<std::optional<PermissionQuestion::Answer>> replies;
    auto ask = [&](const std::string& session) {
        PermissionQuestion::Question question;
        question.sessionId = session;
        question.claudePID = 4242;
        question.toolName = "Bash";
        question.toolInput = {{"command", "make deploy"}};
        return *questions.open(
            question, [&](const auto& answer) { replies.push_back(answer); }, clock);
    };
    // Off by default: the phone hears of no question, and cannot answer one.
    const auto hidden = ask("s1");
    Phone phone(*this, "Phone", token);
    phone.transport->start();
    ASSERT_TRUE(waitUntil([&] { return phone.connected(); }));
    phone.send(TM::snapshotRequest());
    phone.send(TM::permissionDecision({std::to_string(hidden), true, std::nullopt}));
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 2; }));
    EXPECT_EQ(phone.events.received[0].first.kind(), TM::Kind::snapshot);
    EXPECT_EQ(phone.events.received[1].first,
              TM::permissionResolved({std::to_string(hidden), TM::PermissionOutcome::withdrawn}));
    EXPECT_TRUE(replies.empty()) << "an answer the user did not allow changes nothing";

    // Switched on: the open question follows the next snapshot, a new one
    // comes at once, and the phone's answer goes to the waiting recorder.
    HostTransportBridge::setPhonesAnswer(settings, true);
    phone.send(TM::snapshotRequest());
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 4; }));
    auto shown = std::get<TM::PermissionRequest>(phone.events.received[3].first.payload);
    EXPECT_EQ(shown.requestId, std::to_string(hidden));
    EXPECT_EQ(shown.processId, "s1");
    EXPECT_EQ(shown.summary, "Bash: make deploy");
    const auto fresh = ask("s2");
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 5; }));
    EXPECT_EQ(std::get<TM::PermissionRequest>(phone.events.received[4].first.payload).requestId,
              std::to_string(fresh));

    phone.send(TM::permissionDecision({std::to_string(fresh), false, "not from the train"}));
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 6; }));
    EXPECT_EQ(phone.events.received[5].first,
              TM::permissionResolved({std::to_string(fresh), TM::PermissionOutcome::denied}));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (PermissionQuestion::Answer{PermissionQuestion::Behavior::deny,
                                                      "not from the train"}));
    auto logged = logEntry("permission denied");
    ASSERT_TRUE(logged);
    EXPECT_EQ(logged->context["by"], "phone Phone");

    // Answered in the terminal meanwhile: the phone is told, and a late
    // answer is answered with the close and changes nothing.
    ParsedHookEvent ran{.eventName = "PostToolUse", .sessionId = "s1", .timestamp = clock};
    questions.ingest({ran});
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 7; }));
    EXPECT_EQ(phone.events.received[6].first,
              TM::permissionResolved(
                  {std::to_string(hidden), TM::PermissionOutcome::answeredElsewhere}));
    // (The fifth request of this phone: its burst allows no more at once.)
    phone.send(TM::permissionDecision({std::to_string(hidden), true, std::nullopt}));
    ASSERT_TRUE(waitUntil([&] { return phone.events.received.size() == 8; }));
    EXPECT_EQ(phone.events.received[7].first,
              TM::permissionResolved({std::to_string(hidden), TM::PermissionOutcome::withdrawn}));
    EXPECT_EQ(replies.size(), 2u); // the terminal's: "no answer" to the recorder
    EXPECT_EQ(replies[1], std::nullopt);
}

TEST(HostTransportBridgeSnapshot, MarksProcessesWithATerminalAsSwitchable) {
    ClaudeProcess bare{.id = "a", .name = "n", .state = ProcessState::completed};
    ClaudeProcess inTerminal = bare;
    inTerminal.id = "b";
    inTerminal.terminal = TerminalLocation{TerminalKind::unknown, 1, 2, std::nullopt};
    auto snapshot = HostTransportBridge::makeSnapshot({bare, inTerminal});
    ASSERT_EQ(snapshot.processes.size(), 2u);
    EXPECT_FALSE(snapshot.processes[0].switchable);
    EXPECT_FALSE(snapshot.processes[0].terminal);
    EXPECT_TRUE(snapshot.processes[1].switchable);
    EXPECT_EQ(snapshot.processes[1].terminal, "未知终端");
}

} // namespace
} // namespace quillo
