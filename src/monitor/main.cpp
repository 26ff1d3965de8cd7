// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop.
#include "app/CommandLine.h"
#include "app/DebugTree.h"
#include "app/HeadlessMonitor.h"
#include "app/SignalQuit.h"
#include "networking/HostTransportBridge.h"
#include "networking/TrustPrompt.h"
#include "platform/ProcApplicationIdentifier.h"
#include "platform/SettingsStore.h"
#include "terminal/TerminalSwitcher.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    const quillo::CommandLine commandLine = quillo::parseCommandLine(arguments);

    switch (commandLine.mode) {
    case quillo::CommandLine::Mode::installHook:
    case quillo::CommandLine::Mode::uninstallHook:
    case quillo::CommandLine::Mode::printHookPath:
        break;
    case quillo::CommandLine::Mode::debugTree: {
        quillo::ProcApplicationIdentifier applications;
        return quillo::runDebugTree(commandLine.debugTreePID,
                                    {quillo::ProcFs::system(), applications}, std::cout);
    }
    case quillo::CommandLine::Mode::normal: {
        // There is no window yet, so the monitor always runs headless (as
        // "--headless" asks).
        QCoreApplication app(argc, argv);
        quillo::quitOnTerminationSignals();
        quillo::HeadlessMonitor monitor(std::cout);
        // The phone link: paired phones connect; new phones are refused,
        // since pairing needs someone at the desktop to trust them.
        quillo::FileSettingsStore settings;
        quillo::HeadlessTrustPrompt trust;
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
        if (auto port = bridge.transport().listeningPort()) {
            std::cout << "[quillo] phones connect to port " << *port << std::endl;
        }
        monitor.start();
        return app.exec();
    }
    }
    std::fprintf(stderr, "QuilloMac: this mode is not built yet\n");
    return 2;
}
