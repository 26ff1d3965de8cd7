// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloMac as a person runs it, on a private X server: the dashboard opens
// once after start, a second launch shows it in the running monitor and exits
// 0 without starting a monitor of its own, and the recorded global shortcut
// toggles it.
#include "ChildProcess.h"
#include "Shortcut.h"
#include "TempDir.h"
#include "VirtualDisplay.h"
#include "app/AppDelegate.h"
#include "app/DesktopShell.h"
#include "app/Relaunch.h"
#include "app/SingleInstance.h"
#include "platform/SettingsStore.h"

#include "QtTestApp.h"
#include "ShortcutTestSupport.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

namespace quillo {
namespace {

using namespace std::chrono_literals;

class SecondLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::widgetApp();
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed (scripts/install-deps)";
        }
        if (display.name().empty()) {
            GTEST_SKIP() << "Xvfb cannot start here";
        }
        environment = QProcessEnvironment::systemEnvironment();
        // As Sway and Hyprland sessions set it: with an X server (here XWayland's
        // stand-in) the monitor still runs on X11.
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        environment.remove(QStringLiteral("QUILLO_QT_PLATFORM"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display.name()));
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
        if (first.state() != QProcess::NotRunning) {
            first.terminate();
            first.waitForFinished(20000);
        }
    }

    // The dashboard windows on screen, as the X server sees them.
    int visibleDashboards() {
        QProcess search;
        search.setProcessEnvironment(environment);
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Quillo Dashboard$")});
        search.waitForFinished(20000);
        return static_cast<int>(search.readAllStandardOutput().count('\n'));
    }
    void xdotool(const QStringList& arguments) {
        QProcess run;
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(run.waitForFinished(20000));
        ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    }
    void closeDashboard() {
        QProcess search;
        search.setProcessEnvironment(environment);
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Quillo Dashboard$")});
        search.waitForFinished(20000);
        const QString window = QString::fromLatin1(search.readAllStandardOutput()).trimmed();
        ASSERT_FALSE(window.isEmpty());
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        ASSERT_TRUE(test::waitUntil([&] { return visibleDashboards() == 0; }, 20000ms));
    }

    test::TempHome home;
    test::VirtualDisplay display;
    QProcessEnvironment environment;
    QProcess first;
};

TEST_F(SecondLaunchTest, ASecondLaunchShowsTheRunningDashboardAndTheShortcutTogglesIt) {
    {
        FileSettingsStore settings;
        settings.setBoolean(QString::fromLatin1(AppDelegate::onboardingCompletedKey), true);
        settings.setString(QStringLiteral("KeyboardShortcuts_toggleQuillo"),
                           Shortcut{0x28, (1 << 12) | (1 << 11)}.toJson()); // Ctrl+Alt+K
    }
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(QUILLO_MAC_BINARY), {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(test::waitUntil([&] { return visibleDashboards() == 1; }, 30000ms))
        << "the dashboard did not open after start";
    // A launch within half a second of the last trigger is not a new request;
    // waiting that long after the dashboard was seen leaves that window behind.
    test::spin(std::chrono::milliseconds(600));
    closeDashboard();

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(QUILLO_MAC_BINARY), {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(second.readAllStandardOutput(), QByteArray()) << "it started no monitor";
    EXPECT_TRUE(test::waitUntil([&] { return visibleDashboards() == 1; }, 20000ms))
        << "the running monitor did not show its dashboard";
    EXPECT_EQ(first.state(), QProcess::Running);

    // The shortcut closes the open dashboard and opens it again.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
    EXPECT_TRUE(test::waitUntil([&] { return visibleDashboards() == 0; }, 20000ms));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
    EXPECT_TRUE(test::waitUntil([&] { return visibleDashboards() == 1; }, 20000ms));
}

TEST(DesktopPlatform, XWhereverThereIsAnXServerUnlessQuilloIsToldOtherwise) {
    using Kind = DesktopPlatform::Kind;
    auto choose = [](std::map<std::string, QByteArray> session) {
        return chooseDesktopPlatform([&session](const char* name) { return session[name]; });
    };
    EXPECT_EQ(choose({{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}).plugin, "xcb");
    EXPECT_EQ(
        choose(
            {{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}, {"QUILLO_QT_PLATFORM", "wayland"}})
            .plugin,
        "wayland");
    EXPECT_EQ(choose({{"QT_QPA_PLATFORM", "offscreen"}}).plugin, "offscreen");
    EXPECT_EQ(choose({{"WAYLAND_DISPLAY", "wayland-0"}}).kind, Kind::waylandOnly);
    EXPECT_EQ(choose({{"QT_QPA_PLATFORM", "wayland-egl"}}).kind, Kind::waylandOnly);
    EXPECT_EQ(choose({}).kind, Kind::noDisplay);
}

TEST(SingleInstance, EveryApplicationSupportDirectoryHasASocketOfItsOwn) {
    const QString user = SingleInstance::socketPath("/home/kim/.local/share/quillo");
    EXPECT_NE(user, SingleInstance::socketPath("/tmp/test-home/.local/share/quillo"));
    EXPECT_EQ(user, SingleInstance::socketPath("/home/kim/.local/share//quillo"));
    EXPECT_TRUE(user.endsWith(QStringLiteral(".sock")));
}

TEST(Relaunch, TheNewMonitorTakesOverTheLockThisOneLetGo) {
    test::widgetApp();
    test::TempHome home;
    qputenv("QUILLO_TRANSPORT_PORT", "0");
    std::filesystem::create_directories(home.appSupport());
    SingleInstance instance(home.appSupport());
    ASSERT_EQ(instance.claim(), MonitorLock::Outcome::acquired);
    ASSERT_TRUE(instance.listen());

    int quits = 0;
    ASSERT_TRUE(relaunch(
        &instance,
        {QStringLiteral(QUILLO_MAC_BINARY), {QStringLiteral("--headless")}, [&] { ++quits; }}));
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(instance.isListening());
    // The new monitor holds the lock (a refused one would have exited at once).
    MonitorLock probe(home.appSupport() / "monitor.lock");
    std::optional<pid_t> holder;
    EXPECT_TRUE(test::waitUntil(
        [&] {
            if (probe.acquire() == MonitorLock::Outcome::heldElsewhere) {
                holder = probe.holder();
                return true;
            }
            probe.release();
            return false;
        },
        20000ms));
    if (holder) {
        ::kill(*holder, SIGTERM);
        // Gone (its lock with it) before the home folder is removed.
        test::waitUntil([&] { return probe.acquire() == MonitorLock::Outcome::acquired; }, 20000ms);
    }
    qunsetenv("QUILLO_TRANSPORT_PORT");
}

} // namespace
} // namespace quillo
