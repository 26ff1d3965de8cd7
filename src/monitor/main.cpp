// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop, with its windows when there is a
// display.
#include "AppPaths.h"
#include "DiagnosticLogger.h"
#include "app/CommandLine.h"
#include "app/CrashHandler.h"
#include "app/DebugTree.h"
#include "app/DesktopShell.h"
#include "app/HeadlessMonitor.h"
#include "app/MonitorLock.h"
#include "app/PairingCommands.h"
#include "app/PhoneLinkConsole.h"
#include "app/RenderMode.h"
#include "app/SignalQuit.h"
#include "app/Translations.h"
#include "installer/HookInstaller.h"
#include "networking/HostTransportBridge.h"
#include "networking/TerminalTrustPrompt.h"
#include "networking/TrustPrompt.h"
#include "platform/ProcApplicationIdentifier.h"
#include "platform/SettingsStore.h"
#include "settings/SettingsWindowController.h"
#include "statusbar/StatusBarShell.h"
#include "terminal/TerminalSwitcher.h"

#include <QApplication>

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The monitor: the events watcher and the process table, and the phone link,
// where paired phones connect. With `desktop`, the windows run beside them;
// without, a new phone is asked about on the terminal (when standard input is
// one), else refused, since pairing needs someone to trust it.
int runMonitor(int argc, char** argv, bool desktop) {
    std::unique_ptr<QCoreApplication> app;
    if (desktop) {
        app = quillo::makeDesktopApplication(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    quillo::FileSettingsStore settings;
    quillo::Translations::install(quillo::Translations::fromSettings(settings));
    // One monitor per user, or two would split the events between them.
    quillo::AppPaths::ensureAppSupportDirectory();
    quillo::MonitorLock lock;
    switch (lock.acquire()) {
    case quillo::MonitorLock::Outcome::acquired:
        break;
    case quillo::MonitorLock::Outcome::heldElsewhere: {
        QString pid = lock.holder() ? QString::number(*lock.holder()) : QStringLiteral("?");
        std::cerr << QCoreApplication::translate("HeadlessMonitor",
                                                 "[quillo] 已有 Quillo 在运行 (pid %1)")
                         .arg(pid)
                         .toStdString()
                  << std::endl;
        return 1;
    }
    case quillo::MonitorLock::Outcome::unavailable:
        // A file system without locks must not keep the user from their
        // sessions; the risk of a second monitor is the lesser evil.
        quillo::DiagnosticLogger::warn("app", "无法锁定 monitor.lock, 不检查是否已有 Quillo 在运行",
                                       {{"path", lock.defaultFile().string()}});
        break;
    }
    quillo::quitOnTerminationSignals();
    quillo::HeadlessMonitor monitor(std::cout);
    quillo::HeadlessTrustPrompt noTrust;
    std::unique_ptr<quillo::TerminalTrustPrompt> terminalTrust;
    if (::isatty(STDIN_FILENO)) {
        terminalTrust = std::make_unique<quillo::TerminalTrustPrompt>(STDIN_FILENO, std::cout);
    }
    quillo::TrustPrompt& trust =
        terminalTrust ? static_cast<quillo::TrustPrompt&>(*terminalTrust) : noTrust;
    quillo::SystemSwitchServices switchServices;
    quillo::TerminalSwitcher switcher(switchServices.services());
    quillo::HostTransportBridge bridge(
        {monitor.store(), settings, trust,
         [&switcher](const quillo::ClaudeProcess& process) { return switcher.switchTo(process); }},
        quillo::HostTransportBridge::makeTransport(std::nullopt));
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, &monitor, [&monitor, &bridge] {
        monitor.stop();
        bridge.stop();
    });
    bridge.start();
    quillo::printPhoneLinkStatus(bridge, std::cout);
    monitor.start();
    std::unique_ptr<quillo::DesktopShell> shell;
    std::unique_ptr<quillo::StatusBarShell> statusBar;
    if (desktop) {
        shell = std::make_unique<quillo::DesktopShell>(settings);
        shell->start();
        statusBar = std::make_unique<quillo::StatusBarShell>(
            monitor.store(), &bridge, shell->health(), settings,
            [&shell] { shell->settingsWindow().show(); });
    }
    return app->exec();
}

} // namespace

int main(int argc, char** argv) {
    quillo::CrashHandler::install();
    std::vector<std::string> arguments(argv, argv + argc);
    const quillo::CommandLine commandLine = quillo::parseCommandLine(arguments);
    if (commandLine.error) {
        std::cerr << "QuilloMac: " << *commandLine.error << "\n" << quillo::commandLineUsage();
        return 2;
    }

    switch (commandLine.mode) {
    case quillo::CommandLine::Mode::help:
        std::cout << quillo::commandLineHelp();
        return 0;
    case quillo::CommandLine::Mode::version:
        std::cout << quillo::versionText();
        return 0;
    case quillo::CommandLine::Mode::pairing: {
        quillo::FileSettingsStore settings;
        return *quillo::runPairingCommand(arguments, settings, std::cout);
    }
    // The hook modes need no display and no application object. A failed
    // install or write exits with 1 so that scripts notice.
    case quillo::CommandLine::Mode::installHook:
        return quillo::HookInstaller::install() ? 0 : 1;
    case quillo::CommandLine::Mode::uninstallHook:
        return quillo::HookInstaller::uninstall() ? 0 : 1;
    case quillo::CommandLine::Mode::printHookPath:
        std::printf("%s\n", quillo::HookInstaller::hookBinaryPath().c_str());
        return 0;
    case quillo::CommandLine::Mode::debugTree: {
        quillo::ProcApplicationIdentifier applications;
        return quillo::runDebugTree(commandLine.debugTreePID,
                                    {quillo::ProcFs::system(), applications}, std::cout);
    }
    case quillo::CommandLine::Mode::render:
        return quillo::runRenderMode(commandLine.render, argc, argv, std::cout, std::cerr);
    case quillo::CommandLine::Mode::normal:
        break;
    }
    if (commandLine.headless) {
        return runMonitor(argc, argv, false);
    }
    if (!quillo::desktopAvailable()) {
        std::cout << "[quillo] no display (DISPLAY and WAYLAND_DISPLAY are not set): running "
                     "headless"
                  << std::endl;
        return runMonitor(argc, argv, false);
    }
    return runMonitor(argc, argv, true);
}
