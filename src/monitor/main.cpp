// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop.
#include "app/CommandLine.h"
#include "app/DebugTree.h"
#include "app/HeadlessMonitor.h"
#include "app/PairingCommands.h"
#include "app/PhoneLinkConsole.h"
#include "app/SignalQuit.h"
#include "installer/HookInstaller.h"
#include "networking/HostTransportBridge.h"
#include "networking/TerminalTrustPrompt.h"
#include "networking/TrustPrompt.h"
#include "platform/ProcApplicationIdentifier.h"
#include "platform/SettingsStore.h"
#include "terminal/TerminalSwitcher.h"

#include <QCoreApplication>

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// There is no window yet, so the monitor always runs headless (as "--headless"
// asks): the events watcher and the process table, and the phone link, where
// paired phones connect and a new phone is asked about on the terminal (when
// standard input is one), else refused.
int runHeadless(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quillo::quitOnTerminationSignals();
    quillo::HeadlessMonitor monitor(std::cout);
    quillo::FileSettingsStore settings;
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
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &monitor, [&monitor, &bridge] {
        monitor.stop();
        bridge.stop();
    });
    bridge.start();
    quillo::printPhoneLinkStatus(bridge, std::cout);
    monitor.start();
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    if (quillo::isPairingCommand(arguments)) {
        quillo::FileSettingsStore settings;
        return *quillo::runPairingCommand(arguments, settings, std::cout);
    }
    const quillo::CommandLine commandLine = quillo::parseCommandLine(arguments);

    switch (commandLine.mode) {
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
    case quillo::CommandLine::Mode::normal:
        break;
    }
    return runHeadless(argc, argv);
}
