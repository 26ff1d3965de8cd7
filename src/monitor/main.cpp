// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop, with its windows when there is a
// display.
#include "app/CommandLine.h"
#include "app/CrashHandler.h"
#include "app/DebugTree.h"
#include "app/DesktopShell.h"
#include "app/PairingCommands.h"
#include "app/QuilloApp.h"
#include "app/RenderMode.h"
#include "app/Translations.h"
#include "installer/HookInstaller.h"
#include "platform/ProcApplicationIdentifier.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The command-line modes' lines come in the language the windows use: the
// user's choice in the settings, else the system's.
void speakTheUsersLanguage(const quillo::SettingsStore& settings) {
    quillo::Translations::install(quillo::Translations::fromSettings(settings));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    const quillo::CommandLine commandLine = quillo::parseCommandLine(arguments);
    if (commandLine.error) {
        std::cerr << "QuilloMac: " << *commandLine.error << "\n" << quillo::commandLineUsage();
        return 2;
    }

    // The modes that only print leave nothing behind in the user's account, not
    // even the crash reports' folder.
    const bool onlyPrints = commandLine.mode == quillo::CommandLine::Mode::help ||
                            commandLine.mode == quillo::CommandLine::Mode::version ||
                            commandLine.mode == quillo::CommandLine::Mode::printHookPath;
    if (!onlyPrints) {
        quillo::CrashHandler::install();
    }

    switch (commandLine.mode) {
    case quillo::CommandLine::Mode::help:
        std::cout << quillo::commandLineHelp();
        return 0;
    case quillo::CommandLine::Mode::version:
        std::cout << quillo::versionText();
        return 0;
    case quillo::CommandLine::Mode::pairing: {
        QCoreApplication application(argc, argv);
        quillo::FileSettingsStore settings;
        speakTheUsersLanguage(settings);
        return *quillo::runPairingCommand(arguments, settings, std::cout);
    }
    // The hook modes need no display. A failed install or write exits with 1
    // so that scripts notice.
    case quillo::CommandLine::Mode::installHook:
    case quillo::CommandLine::Mode::uninstallHook: {
        QCoreApplication application(argc, argv);
        quillo::FileSettingsStore settings;
        speakTheUsersLanguage(settings);
        const bool install = commandLine.mode == quillo::CommandLine::Mode::installHook;
        return (install ? quillo::HookInstaller::install() : quillo::HookInstaller::uninstall())
                   ? 0
                   : 1;
    }
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
        return quillo::runQuilloApp(argc, argv, false);
    }
    switch (quillo::chooseDesktopPlatform().kind) {
    case quillo::DesktopPlatform::Kind::qt:
        return quillo::runQuilloApp(argc, argv, true);
    case quillo::DesktopPlatform::Kind::waylandOnly:
        std::cout << "[quillo] Quillo's desktop interface needs XWayland, and this Wayland "
                     "session has none (DISPLAY is not set): running headless"
                  << std::endl;
        return quillo::runQuilloApp(argc, argv, false);
    case quillo::DesktopPlatform::Kind::noDisplay:
        break;
    }
    std::cout << "[quillo] no display (DISPLAY and WAYLAND_DISPLAY are not set): running "
                 "headless"
              << std::endl;
    return quillo::runQuilloApp(argc, argv, false);
}
