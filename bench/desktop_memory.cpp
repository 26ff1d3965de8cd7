// SPDX-License-Identifier: GPL-3.0-or-later
// Resident memory of the monitor with its desktop interface: idle before any
// window was opened, with the settings window open, and after it was closed;
// then a real headless QuilloMac for comparison, and the time to draw the
// components sheet. Runs under a temporary home, on the xcb platform when a
// display is set, else offscreen.
// Usage: desktop_memory PATH_TO_QuilloMac
#include "app/DesktopShell.h"
#include "app/HeadlessMonitor.h"
#include "app/RenderRegistry.h"
#include "installer/HookHealthMonitor.h"
#include "networking/HostTransportBridge.h"
#include "networking/TrustPrompt.h"
#include "platform/SettingsStore.h"
#include "settings/SettingsWindowController.h"
#include "terminal/TerminalSwitcher.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <sstream>

using namespace quillo;

namespace {

void settle(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

double residentMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}

double ownResidentMiB() {
    return residentMiB(QCoreApplication::applicationPid());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: desktop_memory PATH_TO_QuilloMac\n");
        return 2;
    }
    const QString monitorBinary = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        qputenv(variable, home.path().toLocal8Bit() + "/" + variable);
    }
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("QUILLO_TRANSPORT_PORT", "0");
    if (!desktopAvailable()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    int appArgc = 1;
    auto app = makeDesktopApplication(appArgc, argv);
    std::ostringstream lines;
    HeadlessMonitor monitor(lines);
    FileSettingsStore settings;
    HeadlessTrustPrompt trust;
    SystemSwitchServices switchServices;
    TerminalSwitcher switcher(switchServices.services());
    HostTransportBridge bridge(
        {monitor.store(), settings, trust,
         [&switcher](const ClaudeProcess& process) { return switcher.switchTo(process); }},
        HostTransportBridge::makeTransport(std::nullopt));
    bridge.start();
    monitor.start();
    DesktopShell shell(settings);
    shell.health().start();

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    settle(1500);
    std::printf("idle, no window ever opened:    %6.1f MiB\n", ownResidentMiB());
    shell.settingsWindow().show();
    settle(1500);
    std::printf("settings window open:           %6.1f MiB\n", ownResidentMiB());
    shell.settingsWindow().window()->close();
    settle(1500);
    std::printf("settings window closed again:   %6.1f MiB\n", ownResidentMiB());

    QProcess headless;
    headless.setProgram(monitorBinary);
    headless.setArguments({QStringLiteral("--headless")});
    headless.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    headless.setStandardOutputFile(QProcess::nullDevice());
    headless.start();
    if (headless.waitForStarted(5000)) {
        settle(2500);
        std::printf("headless QuilloMac, for comparison: %6.1f MiB\n",
                    residentMiB(headless.processId()));
        headless.terminate();
        headless.waitForFinished(5000);
    }

    const RenderRegistry registry = builtInRenderViews();
    using Clock = std::chrono::steady_clock;
    auto timeOneRender = [&] {
        const auto start = Clock::now();
        auto view = registry.make(QStringLiteral("components"));
        const QImage image = renderToImage(*view->widget, 1);
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    const double first = timeOneRender();
    constexpr int rounds = 20;
    double total = 0;
    for (int i = 0; i < rounds; ++i) {
        total += timeOneRender();
    }
    std::printf("components sheet, build and render: first %.1f ms, then %.1f ms on average\n",
                first, total / rounds);

    monitor.stop();
    bridge.stop();
    return 0;
}
