// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop.
#include "AppPaths.h"
#include "DiagnosticLogger.h"
#include "app/CommandLine.h"
#include "app/DebugTree.h"
#include "app/HeadlessMonitor.h"
#include "app/MonitorLock.h"
#include "app/SignalQuit.h"
#include "installer/HookInstaller.h"
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

namespace {

// There is no window yet, so the monitor always runs headless (as "--headless"
// asks): the events watcher and the process table, and the phone link, where
// paired phones connect and new phones are refused, since pairing needs someone
// at the desktop to trust them.
int runHeadless(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
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
