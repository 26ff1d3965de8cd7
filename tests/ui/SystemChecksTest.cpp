// SPDX-License-Identifier: GPL-3.0-or-later
// The system checks: what each probe's answer means to the user, that a
// probe which hangs holds up nothing, the /proc and kitty.conf readers, and the
// list view that runs them off the main thread.
#include "system/SystemChecks.h"
#include "FakeSystemProbes.h"
#include "WidgetTestApp.h"
#include "system/SystemChecksView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <thread>

namespace quillo {
namespace {

using Kind = SystemCheckResult::Kind;
using State = SystemCheckState;
using test::FakeSystemProbes;

SystemCheckResult check(const std::vector<SystemCheckResult>& results, Kind kind) {
    for (const auto& result : results) {
        if (result.kind == kind) {
            return result;
        }
    }
    ADD_FAILURE() << "no result for kind " << static_cast<int>(kind);
    return {};
}

struct SystemChecksTest : ::testing::Test {
    SystemChecksTest() { test::widgetApp(); }

    SystemCheckResult run(Kind kind, quint16 port = 47810) {
        auto results = SystemChecks::run(probes, port);
        EXPECT_EQ(results.size(), 4u);
        return check(results, kind);
    }

    std::shared_ptr<FakeSystemProbes> probes = std::make_shared<FakeSystemProbes>();
};

TEST_F(SystemChecksTest, DiscoveryDaemonStatesAndTheirCommands) {
    probes->daemon = SystemProbes::Daemon::running;
    auto running = run(Kind::localNetwork);
    EXPECT_EQ(running.state, State::ok);
    EXPECT_FALSE(running.fixCommand);

    probes->daemon = SystemProbes::Daemon::stopped;
    auto stopped = run(Kind::localNetwork);
    EXPECT_EQ(stopped.state, State::problem);
    EXPECT_EQ(stopped.fixCommand, QStringLiteral("sudo systemctl enable --now avahi-daemon"));

    probes->daemon = SystemProbes::Daemon::notInstalled;
    auto missing = run(Kind::localNetwork);
    EXPECT_EQ(missing.state, State::problem);
    EXPECT_EQ(missing.fixCommand, QStringLiteral("sudo apt install avahi-daemon"));

    // No answer from the bus is not the same as a stopped daemon.
    probes->daemon = std::nullopt;
    EXPECT_EQ(run(Kind::localNetwork).state, State::attention);
}

TEST_F(SystemChecksTest, TransportPortIsTheOneAskedForAndTheFirewallCommandFitsTheTool) {
    probes->commands = {"ufw"};
    auto listening = run(Kind::transportPort, 52001);
    EXPECT_EQ(probes->askedPort, 52001);
    EXPECT_EQ(listening.state, State::ok);
    EXPECT_TRUE(listening.explanation.contains(QStringLiteral("52001")));
    EXPECT_EQ(listening.fixCommand, QStringLiteral("sudo ufw allow 52001/tcp"));

    probes->commands = {"firewall-cmd"};
    EXPECT_TRUE(run(Kind::transportPort)
                    .fixCommand->startsWith(
                        QStringLiteral("sudo firewall-cmd --permanent --add-port=47810/tcp")));
    probes->commands = {};
    EXPECT_FALSE(run(Kind::transportPort).fixCommand);

    probes->listening = false;
    EXPECT_EQ(run(Kind::transportPort).state, State::problem);
    probes->listening = std::nullopt;
    EXPECT_EQ(run(Kind::transportPort).state, State::attention);
}

TEST_F(SystemChecksTest, NothingListeningWhileAPhoneIsConnectedIsAGoodState) {
    probes->listening = false;
    auto connected = check(SystemChecks::run(probes, 52001, SystemChecks::probeTimeLimit, true),
                           Kind::transportPort);
    EXPECT_EQ(connected.state, State::ok);
    EXPECT_TRUE(connected.explanation.contains(QStringLiteral("52001")));
    EXPECT_EQ(run(Kind::transportPort, 52001).state, State::problem) << "no phone: a problem";
}

TEST_F(SystemChecksTest, WindowActivationOnX11XWaylandWaylandAndNoDisplay) {
    struct Case {
        SystemProbes::Display display;
        State expected;
    } cases[] = {
        {{":0", std::nullopt, true}, State::ok},
        {{":0", "wayland-0", true}, State::attention}, // XWayland: X11 windows only
        {{std::nullopt, "wayland-0", false}, State::problem},
        {{":3", std::nullopt, false}, State::problem}, // set, but nobody answers
        {{std::nullopt, std::nullopt, false}, State::problem},
    };
    for (const Case& c : cases) {
        probes->screen = c.display;
        auto result = run(Kind::windowActivation);
        EXPECT_EQ(result.state, c.expected)
            << c.display.x11.value_or("-") << " " << c.display.wayland.value_or("-");
        EXPECT_FALSE(result.explanation.isEmpty());
    }
}

TEST_F(SystemChecksTest, KittyWithoutRemoteControlNeedsAttentionAndACommand) {
    probes->commands = {"tmux", "wezterm"};
    auto plain = run(Kind::terminalControl);
    EXPECT_EQ(plain.state, State::ok);
    EXPECT_TRUE(plain.explanation.contains(QStringLiteral("tmux, WezTerm")));

    probes->commands = {"kitty"};
    probes->kittyConf = std::nullopt;
    auto noConfig = run(Kind::terminalControl);
    EXPECT_EQ(noConfig.state, State::attention);
    ASSERT_TRUE(noConfig.fixCommand);
    // The command writes what the reader accepts.
    EXPECT_TRUE(noConfig.fixCommand->contains(QStringLiteral("allow_remote_control socket-only")));
    EXPECT_TRUE(SystemChecks::kittyRemoteControlEnabled(
        "\nallow_remote_control socket-only\nlisten_on unix:@kitty\n"));

    probes->kittyConf = "allow_remote_control yes\nlisten_on unix:/tmp/kitty\n";
    EXPECT_EQ(run(Kind::terminalControl).state, State::ok);
}

TEST_F(SystemChecksTest, AProbeThatHangsCountsAsNoAnswerAndHoldsUpNothingElse) {
    probes->hangAvahi = true;
    probes->screen = {":0", std::nullopt, true};
    auto results = SystemChecks::run(probes, 47810, std::chrono::milliseconds(50));
    EXPECT_EQ(check(results, Kind::localNetwork).state, State::attention);
    EXPECT_EQ(check(results, Kind::transportPort).state, State::ok);
    EXPECT_EQ(check(results, Kind::windowActivation).state, State::ok);
    EXPECT_EQ(check(results, Kind::terminalControl).state, State::ok);
    probes->release();
}

TEST(SystemCheckReaders, ListeningSocketsInProcNetTcp) {
    // 47810 is BAC2. An established connection on the port is not a listener;
    // the heading and short lines are skipped.
    const std::string tcp =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt\n"
        "   0: 0100007F:0277 00000000:0000 0A 00000000:00000000 00:00000000 00000000\n"
        "   1: 0100007F:BAC2 0100007F:9C40 01 00000000:00000000 00:00000000 00000000\n"
        "   2: garbage\n";
    EXPECT_FALSE(SystemChecks::listensOn(tcp, 47810));
    EXPECT_TRUE(SystemChecks::listensOn(tcp, 631));
    const std::string tcp6 =
        "  sl  local_address                         remote_address                        st\n"
        "   0: 00000000000000000000000000000000:BAC2 00000000000000000000000000000000:0000 0A\n";
    EXPECT_TRUE(SystemChecks::listensOn(tcp6, 47810));
    EXPECT_FALSE(SystemChecks::listensOn(tcp6, 0xBAC));
}

TEST(SystemCheckReaders, KittyConfLastSettingWinsAndBothKeysAreNeeded) {
    EXPECT_FALSE(SystemChecks::kittyRemoteControlEnabled(""));
    EXPECT_FALSE(SystemChecks::kittyRemoteControlEnabled("allow_remote_control yes\n"));
    EXPECT_FALSE(SystemChecks::kittyRemoteControlEnabled("listen_on unix:@k\n"));
    EXPECT_FALSE(SystemChecks::kittyRemoteControlEnabled(
        "allow_remote_control yes\nlisten_on unix:@k\nallow_remote_control no\n"));
    EXPECT_FALSE(SystemChecks::kittyRemoteControlEnabled(
        "# allow_remote_control yes\n# listen_on unix:@k\n"));
    EXPECT_FALSE(
        SystemChecks::kittyRemoteControlEnabled("allow_remote_control yes\nlisten_on none\n"));
    EXPECT_TRUE(SystemChecks::kittyRemoteControlEnabled(
        "  allow_remote_control\tpassword\r\nlisten_on tcp:localhost:12345\n"));
}

TEST(SystemCheckReaders, RealProbeSeesAListeningSocketAndNotAMerelyBoundOne) {
    test::widgetApp();
    LinuxSystemProbes probes;
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    EXPECT_EQ(probes.portListening(server.serverPort()), true);

    QTcpSocket bound;
    ASSERT_TRUE(bound.bind(QHostAddress::LocalHost, 0));
    EXPECT_EQ(probes.portListening(bound.localPort()), false);
}

TEST_F(SystemChecksTest, ViewRunsTheChecksOffTheMainThreadOnceAtATimeAndCopiesTheCommand) {
    probes->daemon = SystemProbes::Daemon::stopped;
    probes->hangAvahi = true;
    SystemChecksView view;
    view.setProbes(probes);
    QSignalSpy checked(&view, &SystemChecksView::checked);
    view.show();
    EXPECT_TRUE(view.isChecking());
    EXPECT_EQ(view.results(), SystemChecks::pending());
    view.refresh(); // still running: no second run
    probes->release();
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_FALSE(view.isChecking());
    EXPECT_EQ(probes->avahiCalls, 1);
    ASSERT_EQ(probes->threads.size(), 1u);
    EXPECT_NE(*probes->threads.begin(), std::this_thread::get_id());

    QWidget* row = view.findChild<QWidget*>(QStringLiteral("systemCheck-localNetwork"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->findChild<QLabel*>(QStringLiteral("state"))->text(), QStringLiteral("有问题"));
    auto* copy = row->findChild<QAbstractButton*>(QStringLiteral("copyCommand"));
    ASSERT_NE(copy, nullptr);
    copy->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("sudo systemctl enable --now avahi-daemon"));

    view.refresh(); // finished: runs again
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_EQ(probes->avahiCalls, 2);
}

} // namespace
} // namespace quillo
