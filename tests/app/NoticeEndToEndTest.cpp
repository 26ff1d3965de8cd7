// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloMac as a person runs it, on a private X server and a private session
// bus with a stand-in notification server: real recorder runs move a session
// to waiting for permission, a notice arrives, and the next event takes it
// back.
#include "ChildProcess.h"
#include "StandInNotificationServer.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "app/AppDelegate.h"
#include "platform/SettingsStore.h"

#include "QtTestApp.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;

class NoticeEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed (scripts/install-deps)";
        }
        if (display.name().empty()) {
            GTEST_SKIP() << "Xvfb cannot start here";
        }
        if (bus.address.isEmpty()) {
            GTEST_SKIP() << "dbus-daemon could not be started";
        }
        serverConnection = std::make_unique<QDBusConnection>(bus.connect("server"));
        server = std::make_unique<test::StandInNotificationServer>(*serverConnection);
        ASSERT_TRUE(server->start());

        environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display.name()));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
        environment.insert(QStringLiteral("QUILLO_TRANSPORT_PORT"), QStringLiteral("0"));
        // The session bus library keeps a buffer for the process's life; the
        // terminated monitor would report it.
        environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        for (const auto& entry : home.environment()) {
            const auto eq = entry.find('=');
            environment.insert(QString::fromStdString(entry.substr(0, eq)),
                               QString::fromStdString(entry.substr(eq + 1)));
        }
    }
    void TearDown() override {
        if (monitor.state() != QProcess::NotRunning) {
            monitor.terminate();
            monitor.waitForFinished(20000);
        }
        server.reset();
        serverConnection.reset();
        QDBusConnection::disconnectFromBus("server");
    }

    QString dashboardWindow() {
        QProcess search;
        search.setProcessEnvironment(environment);
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Quillo Dashboard$")});
        search.waitForFinished(20000);
        return QString::fromLatin1(search.readAllStandardOutput()).trimmed();
    }
    void xdotool(const QStringList& arguments) {
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(run.waitForFinished(20000));
        ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    }
    void record(const std::string& fixture) {
        auto result =
            ChildProcess::run({QUILLO_HOOK_BINARY}, {.timeLimit = std::chrono::seconds(30),
                                                     .standardInput = test::testData(fixture),
                                                     .extraEnvironment = home.environment()});
        ASSERT_TRUE(result.succeeded());
    }

    test::TempHome home;
    test::VirtualDisplay display;
    test::PrivateBus bus;
    std::unique_ptr<QDBusConnection> serverConnection;
    std::unique_ptr<test::StandInNotificationServer> server;
    QProcessEnvironment environment;
    QProcess monitor;
};

TEST_F(NoticeEndToEndTest, APermissionWaitArrivesAsANoticeAndTheNextEventTakesItBack) {
    {
        FileSettingsStore settings;
        settings.setBoolean(QString::fromLatin1(AppDelegate::onboardingCompletedKey), true);
    }
    monitor.setProcessEnvironment(environment);
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    monitor.start(QStringLiteral(QUILLO_MAC_BINARY), {});
    ASSERT_TRUE(monitor.waitForStarted());
    // The dashboard opens once after start; while it is open nothing is
    // notified, so it is closed first, as the user would.
    ASSERT_TRUE(test::waitUntil([&] { return !dashboardWindow().isEmpty(); }, 30000ms))
        << "the dashboard did not open after start";
    const QString window = dashboardWindow();
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(test::waitUntil([&] { return dashboardWindow().isEmpty(); }, 20000ms));
    ASSERT_TRUE(test::waitUntil([&] { return server->capabilityQueries > 0; }, 20000ms))
        << "the monitor never asked the server";

    record("hook-session-start.json");
    record("hook-notification-permission-prompt.json");
    ASSERT_TRUE(test::waitUntil([&] { return !server->notifies.empty(); }, 30000ms))
        << "no notice arrived";
    const auto notice = server->notifies.front();
    EXPECT_EQ(notice.summary, "atlas");
    EXPECT_EQ(notice.appName, "Quillo");
    EXPECT_TRUE(notice.actions.contains("default"));
    EXPECT_TRUE(server->closes.empty());

    record("hook-user-prompt-submit.json");
    ASSERT_TRUE(test::waitUntil([&] { return !server->closes.empty(); }, 30000ms))
        << "the notice was not taken back";
    EXPECT_EQ(server->closes.front(), notice.id);
    EXPECT_TRUE(server->open.empty());
    EXPECT_EQ(server->notifies.size(), 1u);
}

} // namespace
} // namespace quillo
