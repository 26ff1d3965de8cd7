// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop.
#include "app/CommandLine.h"
#include "installer/HookInstaller.h"

#include <cstdio>
#include <string>
#include <vector>

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
    case quillo::CommandLine::Mode::debugTree:
    case quillo::CommandLine::Mode::normal:
        break;
    }
    std::fprintf(stderr, "QuilloMac: this mode is not built yet\n");
    return 2;
}
