// SPDX-License-Identifier: GPL-3.0-or-later
#include "KnownHosts.h"
#include "PeerOptions.h"

#include "networking/HostTransportBridge.h"
#include "networking/PairedClientStorage.h"
#include "questions/OpenQuestions.h"
#include "questions/QuestionServer.h"
#include "ChildProcess.h"
#include "PermissionQuestion.h"

#include "FakeProc.h"
#include "TransportHarness.h"
#include "platform/AvahiServiceDiscovery.h"
#include "platform/FakeApplicationIdentifier.h"
#include "transport/TransportInvitationContext.h"

#include <QProcess>
#include <future>
#include <QTcpServer>

#include <pty.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quillo {
namespace {

using nlohmann::json;
using test::waitUntil;

TEST(PeerOptions, ParsesFlagsAndRefusesWhatMakesNoSense) {
    auto parsed = parsePeerOptions({"--host", "127.0.0.1", "--port", "47810", "--name",
                                    "Kim's phone", "--token", "t", "--snapshot-request",
                                    "--switch-to", "abc", "--unpair-notification"});
    ASSERT_TRUE(std::holds_alternative<PeerOptions>(parsed));
    const auto& options = std::get<PeerOptions>(parsed);
    EXPECT_EQ(options.port, 47810);
    EXPECT_EQ(options.name, "Kim's phone");
    EXPECT_EQ(options.sendOnConnect,
              (std::vector<TransportMessage>{TransportMessage::snapshotRequest(),
                                             TransportMessage::switchTo({"abc"}),
                                             TransportMessage::unpairNotification()}));
    for (std::vector<std::string> bad :
         std::vector<std::vector<std::string>>{{"--host", "127.0.0.1"},
                                               {"--port", "0", "--host", "h"},
                                               {"--port", "70000", "--host", "h"},
                                               {"--token", ""},
                                               {"--name"},
                                               {"--frobnicate"},
                                               {"--count", "0"}}) {
        EXPECT_TRUE(std::holds_alternative<PeerUsageError>(parsePeerOptions(bad))) << bad[0];
    }
    EXPECT_EQ(parsePeerCommand(" switch_to  s-1 \r"), TransportMessage::switchTo({"s-1"}));
    EXPECT_FALSE(parsePeerCommand("switch_to "));
    EXPECT_FALSE(parsePeerCommand("snapshot"));
}

class QuilloPeerTest : public ::testing::Test, public test::TransportHarness {
protected:
    void event(const std::string& name, const std::string& session) {
        ParsedHookEvent e{
            .eventName = name, .sessionId = session, .cwd = "/work/" + session, .timestamp = clock};
        clock += Seconds(0.5);
        store.ingestBatch({e});
    }

    // Lines the peer printed so far.
    std::vector<json> lines() {
        output += peer.readAllStandardOutput().toStdString();
        std::vector<json> out;
        std::size_t start = 0, end;
        while ((end = output.find('\n', start)) != std::string::npos) {
            out.push_back(json::parse(output.substr(start, end - start)));
            start = end + 1;
        }
        return out;
    }

    // Runs QuilloPeer to its end; its exit code and what it said on stderr.
    std::pair<int, std::string> runPeer(const QStringList& arguments) {
        QProcess process;
        process.start(QUILLO_PEER_BINARY, arguments);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; },
                              std::chrono::milliseconds(30000)));
        return {process.exitCode(), process.readAllStandardError().toStdString()};
    }

    // A host with a certificate of its own on `port`, answering to the same
    // name; it only records who invited it and with what.
    std::unique_ptr<MPCTransport> rogueHost(quint16 port, const std::string& identity = "rogue") {
        auto o = options();
        o.port = port;
        o.identityFile = home.path() / (identity + ".pem");
        auto rogue =
            std::make_unique<MPCTransport>("Desk", TransportRole::host, "quillo-v1", true, true, o);
        rogue->onInvitationReceived = [this](const TransportPeer&,
                                             const std::optional<std::string>& context,
                                             MPCTransport::Decision decide) {
            rogueInvitations.push_back(context.value_or(""));
            decide(false);
        };
        rogue->start();
        EXPECT_EQ(rogue->listeningPort(), port == 0 ? rogue->listeningPort() : port);
        return rogue;
    }

    std::vector<std::string> rogueInvitations;
    test::FakeProc proc;
    FakeApplicationIdentifier applications;
    ProcessStateStore store{{proc.proc(), applications}, [this] { return clock; }};
    MemorySettingsStore settings;
    HeadlessTrustPrompt trust;
    QProcess peer;
    std::string output;
};

TEST_F(QuilloPeerTest, TalksToTheMonitorAsAPairedPhone) {
    PairedClientStorage::add(settings, "Phone", "tok");
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Desk", options()));
    bridge.start();
    event("SessionStart", "s1");
    const auto port = bridge.transport().listeningPort();
    ASSERT_TRUE(port);

    peer.start(QUILLO_PEER_BINARY,
               {"--host", "127.0.0.1", "--port", QString::number(*port), "--name", "Phone",
                "--token", "tok", "--snapshot-request", "--trust-new-host"});
    ASSERT_TRUE(waitUntil([&] { return lines().size() == 1; }, std::chrono::milliseconds(20000)));
    EXPECT_EQ(lines()[0]["type"], "snapshot");
    EXPECT_EQ(lines()[0]["processes"][0]["id"], "s1");

    event("Stop", "s1");
    ASSERT_TRUE(waitUntil([&] { return lines().size() == 2; }));
    EXPECT_EQ(lines()[1],
              json::parse(R"({"type":"state_update","process_id":"s1","state":"waiting_input",
                                           "timestamp":)" +
                          std::to_string(secondsSince1970(store.processes()[0].stateChangedAt)) +
                          "}"));

    peer.write("switch_to s1\nunpair_notification\n");
    ASSERT_TRUE(waitUntil([&] { return lines().size() == 3; }));
    EXPECT_EQ(lines()[2],
              json::parse(R"({"type":"switch_result","process_id":"s1","success":true})"));
    ASSERT_TRUE(
        waitUntil([&] { return !PairedClientStorage::contains(settings, "Phone", "tok"); }));

    peer.write("quit\n");
    ASSERT_TRUE(waitUntil([&] { return peer.state() == QProcess::NotRunning; }));
    EXPECT_EQ(peer.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return bridge.connectedPeerCount() == 0; }));
}

TEST_F(QuilloPeerTest, APhoneAnswersTheQuestionARecorderWaitsOn) {
    // The whole way: the recorder Claude Code starts, the monitor's socket
    // and open questions, the phone link, and the phone's "allow".
    const auto runtime = home.path() / "run";
    std::filesystem::create_directories(runtime);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    OpenQuestions questions;
    QuestionServer server(questions, PermissionQuestion::socketPath(home.appSupport()),
                          [] { return true; });
    ASSERT_EQ(server.listen(), std::nullopt);
    PairedClientStorage::add(settings, "Phone", "tok");
    HostTransportBridge::setPhonesAnswer(settings, true);
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); },
         &questions},
        HostTransportBridge::makeTransport("Desk", options()));
    bridge.start();
    const auto port = bridge.transport().listeningPort();
    ASSERT_TRUE(port);
    peer.start(QUILLO_PEER_BINARY,
               {"--host", "127.0.0.1", "--port", QString::number(*port), "--name", "Phone",
                "--token", "tok", "--trust-new-host", "--answer-permissions", "allow"});
    ASSERT_TRUE(waitUntil([&] { return bridge.connectedPeerCount() == 1; },
                          std::chrono::milliseconds(20000)));

    auto env = home.environment();
    env.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    auto recorder = std::async(std::launch::async, [env] {
        return ChildProcess::run(
            {QUILLO_HOOK_BINARY},
            {.timeLimit = std::chrono::seconds(60),
             .standardInput = json{{"session_id", "s1"},
                                   {"hook_event_name", "PermissionRequest"},
                                   {"tool_name", "Bash"},
                                   {"tool_input", {{"command", "make deploy"}}}}
                                  .dump(),
             .extraEnvironment = env});
    });
    ASSERT_TRUE(waitUntil([&] {
        return recorder.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }, std::chrono::milliseconds(60000)));
    ::unsetenv("XDG_RUNTIME_DIR");
    auto result = recorder.get();
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_FALSE(result.standardOutput.empty());
    EXPECT_EQ(json::parse(result.standardOutput)["hookSpecificOutput"]["decision"]["behavior"],
              "allow");
    ASSERT_TRUE(waitUntil([&] { return lines().size() == 2; }));
    EXPECT_EQ(lines()[0]["type"], "permission_request");
    EXPECT_EQ(lines()[0]["summary"], "Bash: make deploy");
    EXPECT_EQ(lines()[1]["type"], "permission_resolved");
    EXPECT_EQ(lines()[1]["outcome"], "allowed");
    peer.write("quit\n");
    ASSERT_TRUE(waitUntil([&] { return peer.state() == QProcess::NotRunning; }));
}

TEST_F(QuilloPeerTest, ANewCertificateNeverSeesTheTokenUnlessTheUserTrustsIt) {
    PairedClientStorage::add(settings, "Phone", "secret");
    quint16 port = 0;
    std::string fingerprint;
    {
        HostTransportBridge bridge(
            {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
            HostTransportBridge::makeTransport("Desk", options()));
        bridge.start();
        port = *bridge.transport().listeningPort();
        fingerprint = bridge.transport().hostFingerprint().toStdString();
        const QStringList real{"--host", "127.0.0.1", "--port", QString::number(port), "--name",
                               "Phone",  "--token",   "secret", "--snapshot-request",  "--count",
                               "1"};
        // Never met, and no terminal to ask on: refused unless the user said so.
        auto [refused, why] = runPeer(real);
        EXPECT_EQ(refused, 1) << why;
        EXPECT_NE(why.find("not met before (certificate fingerprint " + fingerprint),
                  std::string::npos)
            << why;
        auto [code, said] = runPeer(QStringList(real) << "--trust-new-host");
        EXPECT_EQ(code, 0) << said;
        EXPECT_NE(said.find("first contact"), std::string::npos) << said;
        // Known now by its certificate, whatever name reaches it.
        QStringList byName = real;
        byName[1] = "localhost";
        auto [again, saidAgain] = runPeer(byName);
        EXPECT_EQ(again, 0) << saidAgain;
        EXPECT_EQ(saidAgain.find("first contact"), std::string::npos) << saidAgain;
        bridge.stop();
    }
    test::spin(std::chrono::milliseconds(50));

    // Another machine on the same port: a new certificate at a known address
    // is refused with a warning, even for a peer told to trust new hosts...
    auto rogue = rogueHost(port);
    const QStringList toRogue{"--host", "127.0.0.1", "--port",  QString::number(port),
                              "--name", "Phone",     "--token", "secret"};
    auto [code, said] = runPeer(QStringList(toRogue) << "--trust-new-host");
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("has CHANGED"), std::string::npos) << said;
    EXPECT_NE(said.find("QuilloPeer --forget " + fingerprint), std::string::npos) << said;
    // ...and reached by another name it is a host never met: refused too.
    QStringList byName = toRogue;
    byName[1] = "localhost";
    auto [other, saidOther] = runPeer(byName);
    EXPECT_EQ(other, 1);
    EXPECT_NE(saidOther.find("nothing was sent"), std::string::npos) << saidOther;
    test::spin(std::chrono::milliseconds(200));
    EXPECT_TRUE(rogueInvitations.empty());

    // Forgotten on purpose, the host is a first contact again (and, being a
    // rogue, it now does get the invitation: the check is what stood between).
    EXPECT_EQ(runPeer({"--forget", QString::fromStdString(fingerprint)}).first, 0);
    EXPECT_EQ(runPeer({"--forget", QString::fromStdString(fingerprint)}).first, 1);
    auto [afterForget, saidAfter] = runPeer(QStringList(toRogue) << "--trust-new-host");
    EXPECT_NE(saidAfter.find("first contact"), std::string::npos) << saidAfter;
    EXPECT_TRUE(waitUntil([&] { return rogueInvitations.size() == 1; }));
}

// A pseudo-terminal for QuilloPeer's standard input, as a person at a
// terminal would give it.
struct Terminal {
    Terminal() {
        char name[256] = {};
        EXPECT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        slaveName = name;
    }
    ~Terminal() {
        ::close(master);
        ::close(slave);
    }
    void type(const std::string& text) const {
        EXPECT_EQ(::write(master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    int master = -1;
    int slave = -1;
    QString slaveName;
};

TEST_F(QuilloPeerTest, AtATerminalTheUserDecidesAboutANewHostWithTheFingerprintShown) {
    auto rogue = rogueHost(0);
    const QString fingerprint = rogue->hostFingerprint();
    const QStringList arguments{"--host", "127.0.0.1",
                                "--port", QString::number(*rogue->listeningPort()),
                                "--name", "Phone"};
    for (const std::string answer : {"", "n", "y"}) {
        Terminal terminal;
        QProcess process;
        process.setStandardInputFile(terminal.slaveName);
        process.start(QUILLO_PEER_BINARY, arguments);
        std::string said;
        ASSERT_TRUE(waitUntil(
            [&] {
                said += process.readAllStandardError().toStdString();
                return said.find("[y/N]") != std::string::npos;
            },
            std::chrono::milliseconds(20000)))
            << said;
        EXPECT_NE(said.find(fingerprint.toStdString()), std::string::npos) << said;
        terminal.type(answer + "\n");
        ASSERT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; },
                              std::chrono::milliseconds(20000)));
        said += process.readAllStandardError().toStdString();
        EXPECT_EQ(process.exitCode(), 1) << said; // the rogue declines whoever comes
        if (answer != "y") {
            test::spin(std::chrono::milliseconds(100));
            EXPECT_TRUE(rogueInvitations.empty()) << "answer \"" << answer << "\"";
        }
    }
    EXPECT_TRUE(waitUntil([&] { return rogueInvitations.size() == 1; }));
    // Trusted once, it is known: no question the next time.
    auto [code, said] = runPeer(arguments);
    EXPECT_EQ(said.find("[y/N]"), std::string::npos) << said;
    EXPECT_TRUE(waitUntil([&] { return rogueInvitations.size() == 2; }));
}

TEST_F(QuilloPeerTest, TheHostsOfAnEarlierVersionsFileAreKnownHosts) {
    PairedClientStorage::add(settings, "Phone", "secret");
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Desk", options()));
    bridge.start();
    const auto port = *bridge.transport().listeningPort();
    const std::string fingerprint = bridge.transport().hostFingerprint().toStdString();
    // Earlier versions kept one line per address or service name, no token.
    const auto file = home.path() / ".local/share/quillo-peer/known-hosts";
    std::filesystem::create_directories(file.parent_path());
    test::writeFile(file, fingerprint + " name:Desk\n" + fingerprint +
                              " address:127.0.0.1:" + std::to_string(port) + "\nnot a host line\n");
    const QStringList arguments{"--host",
                                "127.0.0.1",
                                "--port",
                                QString::number(port),
                                "--name",
                                "Phone",
                                "--snapshot-request",
                                "--count",
                                "1"};
    auto [code, said] = runPeer(QStringList(arguments) << "--token"
                                                       << "secret");
    EXPECT_EQ(code, 0) << said;
    EXPECT_EQ(said.find("first contact"), std::string::npos) << said;
    // Rewritten as one host, with the token it used and its address; the
    // token is what it comes back with.
    EXPECT_EQ(KnownHosts(file).all(),
              (std::vector<KnownHost>{{fingerprint, "secret", {HostAddress{"127.0.0.1", port}}}}));
    EXPECT_EQ(test::fileMode(file), 0600u);
    auto [again, saidAgain] = runPeer(arguments);
    EXPECT_EQ(again, 0) << saidAgain;
}

TEST_F(QuilloPeerTest, APinnedHostMustShowThatCertificate) {
    PairedClientStorage::add(settings, "Phone", "secret");
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Desk", options()));
    bridge.start();
    auto address = bridge.pairingAddress();
    ASSERT_TRUE(address);
    EXPECT_EQ(address->fingerprint, bridge.transport().hostFingerprint().toStdString());
    EXPECT_EQ(address->name, "Desk");
    address->host = "127.0.0.1"; // the test host listens on loopback only
    auto [code, said] =
        runPeer({"--uri", QString::fromStdString(address->toString()), "--name", "Phone", "--token",
                 "secret", "--snapshot-request", "--count", "1"});
    EXPECT_EQ(code, 0) << said;
    EXPECT_EQ(said.find("first contact"), std::string::npos) << "a pin is not remembered";

    auto rogue = rogueHost(0);
    address->port = *rogue->listeningPort();
    auto [refused, why] = runPeer({"--uri", QString::fromStdString(address->toString()), "--name",
                                   "Phone", "--token", "secret"});
    EXPECT_EQ(refused, 1);
    EXPECT_NE(why.find("does not match the pin"), std::string::npos) << why;
    test::spin(std::chrono::milliseconds(200));
    EXPECT_TRUE(rogueInvitations.empty());
}

TEST_F(QuilloPeerTest, AnUnpairedPeerIsToldNoByTheHeadlessMonitorAndWhy) {
    HostTransportBridge bridge(
        {store, settings, trust, [](const ClaudeProcess&) { return SwitchResult::switched(); }},
        HostTransportBridge::makeTransport("Desk", options()));
    bridge.start();
    peer.start(QUILLO_PEER_BINARY,
               {"--host", "127.0.0.1", "--port",
                QString::number(*bridge.transport().listeningPort()), "--name", "Stranger",
                "--token", "tok-0123456789abcdefghijk", "--trust-new-host"});
    ASSERT_TRUE(waitUntil([&] { return peer.state() == QProcess::NotRunning; },
                          std::chrono::milliseconds(20000)));
    EXPECT_EQ(peer.exitCode(), 1);
    const QByteArray said = peer.readAllStandardError();
    EXPECT_NE(said.indexOf(": nobody at the computer"), -1) << said.constData();
    EXPECT_EQ(said.indexOf("no answer in time"), -1) << said.constData();
}

TEST_F(QuilloPeerTest, EachHostGetsA256BitRandomTokenOfItsOwn) {
    auto first = rogueHost(0, "first");
    auto second = rogueHost(0, "second");
    auto argumentsFor = [](MPCTransport& host) {
        return QStringList{
            "--host", "127.0.0.1", "--port",          QString::number(*host.listeningPort()),
            "--name", "Phone",     "--trust-new-host"};
    };
    auto [code, said] = runPeer(argumentsFor(*first));
    EXPECT_EQ(code, 1) << said;
    runPeer(argumentsFor(*second));
    runPeer(argumentsFor(*first));
    ASSERT_TRUE(waitUntil([&] { return rogueInvitations.size() == 3; }));
    std::vector<std::string> tokens;
    for (const auto& context : rogueInvitations) {
        auto token = TransportInvitationContext::pairingToken(context);
        ASSERT_TRUE(token);
        EXPECT_EQ(token->size(), 64u);
        EXPECT_EQ(token->find_first_not_of("0123456789abcdef"), std::string::npos);
        tokens.push_back(*token);
    }
    EXPECT_NE(tokens[0], tokens[1]);
    EXPECT_EQ(tokens[2], tokens[0]);
    EXPECT_NE(said.find("pairing token " + tokens[0]), std::string::npos) << said;
}

TEST_F(QuilloPeerTest, ABadArgumentIsOneLineNotTheWholeUsage) {
    auto [code, said] = runPeer({"--frobnicate"});
    EXPECT_EQ(code, 2);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("--help"), std::string::npos) << said;
}

// Runs only inside run-in-avahi-namespace, next to a private avahi-daemon.
class QuilloPeerOverAvahi : public QuilloPeerTest {
protected:
    void SetUp() override {
        if (!std::getenv("QUILLO_IN_AVAHI_NAMESPACE")) {
            GTEST_SKIP() << "needs a private avahi-daemon: run through "
                            "tests/nearby/run-in-avahi-namespace (ctest test "
                            "peer_finds_a_moved_monitor_over_avahi)";
        }
        discovery.reset();
        avahi = std::make_shared<AvahiServiceDiscovery>();
    }

    // A monitor published over avahi, on all addresses (a resolve may hand out
    // 127.0.0.1 or ::1; inside the namespace "any" is loopback alone).
    std::unique_ptr<HostTransportBridge> monitor(quint16 port, const std::string& identity) {
        auto o = options();
        o.discovery = avahi;
        o.listenAddress = QHostAddress::Any;
        o.port = port;
        o.identityFile = home.path() / (identity + ".pem");
        auto bridge = std::make_unique<HostTransportBridge>(
            HostTransportBridge::Services{
                store, settings, trust,
                [](const ClaudeProcess&) { return SwitchResult::switched(); }},
            HostTransportBridge::makeTransport("Desk", o));
        bridge->start();
        return bridge;
    }

    std::shared_ptr<AvahiServiceDiscovery> avahi;
};

TEST_F(QuilloPeerOverAvahi, AKnownMonitorOnAnotherPortIsFoundByItsCertificate) {
    ASSERT_TRUE(waitUntil([&] { return avahi->daemonRunning(); }));
    PairedClientStorage::add(settings, "Phone", "secret");
    quint16 saved = 0;
    {
        auto desk = monitor(0, "desk");
        saved = *desk->transport().listeningPort();
        auto [code, said] = runPeer({"--host", "127.0.0.1", "--port", QString::number(saved),
                                     "--name", "Phone", "--token", "secret", "--trust-new-host",
                                     "--snapshot-request", "--count", "1"});
        ASSERT_EQ(code, 0) << said;
        desk->transport().stop();
    }
    // The saved port stays taken while the monitor comes back, so it gets
    // another; then nothing is there and the saved address refuses.
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, saved));
    // Another host on the network, first in line: it records any invitation.
    auto o = options();
    o.discovery = avahi;
    o.listenAddress = QHostAddress::Any;
    o.identityFile = home.path() / "other.pem";
    MPCTransport other("Another desk", TransportRole::host, "quillo-v1", true, true, o);
    other.onInvitationReceived = [this](const TransportPeer&,
                                        const std::optional<std::string>& context,
                                        MPCTransport::Decision decide) {
        rogueInvitations.push_back(context.value_or(""));
        decide(false);
    };
    other.start();
    // Browsing, the first host found is not trusted for being first.
    auto [browsed, saidBrowsing] = runPeer({"--name", "Phone", "--timeout", "60"});
    EXPECT_EQ(browsed, 1) << saidBrowsing;
    EXPECT_NE(saidBrowsing.find("refused Another desk"), std::string::npos) << saidBrowsing;
    EXPECT_TRUE(rogueInvitations.empty());

    auto desk = monitor(0, "desk");
    const quint16 moved = *desk->transport().listeningPort();
    holder.close();

    // The token it remembered for this monitor is all it has.
    auto [code, said] = runPeer({"--host", "127.0.0.1", "--port", QString::number(saved), "--name",
                                 "Phone", "--snapshot-request", "--count", "1", "--timeout", "60"});
    EXPECT_EQ(code, 0) << said;
    EXPECT_NE(said.find("saved address 127.0.0.1:" + std::to_string(saved) + " refused"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("found the host at "), std::string::npos) << said;
    EXPECT_NE(said.find(":" + std::to_string(moved)), std::string::npos) << said;
    // Known at the new address now.
    const auto known = KnownHosts(home.path() / ".local/share/quillo-peer/known-hosts").all();
    ASSERT_EQ(known.size(), 1u);
    ASSERT_FALSE(known[0].addresses.empty());
    EXPECT_EQ(known[0].addresses[0].port, moved);
    // The other host, found on the way, never saw an invitation.
    EXPECT_TRUE(rogueInvitations.empty());
}

} // namespace
} // namespace quillo
