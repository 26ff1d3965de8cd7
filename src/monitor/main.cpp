// QuilloMac: the monitor. Command-line modes do one job and quit; otherwise the
// monitor runs until it is told to stop.
#include "app/CommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    const quillo::CommandLine commandLine = quillo::parseCommandLine(arguments);

    switch (commandLine.mode) {
    case quillo::CommandLine::Mode::installHook:
    case quillo::CommandLine::Mode::uninstallHook:
    case quillo::CommandLine::Mode::printHookPath:
    case quillo::CommandLine::Mode::debugTree:
    case quillo::CommandLine::Mode::normal:
        break;
    }
    std::fprintf(stderr, "QuilloMac: this mode is not built yet\n");
    return 2;
}
