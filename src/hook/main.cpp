// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloHook: run by Claude Code for every hook event. Records the event and
// its caller as one line of the events file. Prints nothing and always exits 0,
// so it can never change what Claude Code does next.
#include "Recorder.h"
#include "app/BuildVersion.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Claude Code passes no arguments; these two are for the person at the
    // terminal, who would otherwise wait on a recorder reading standard input.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("QuilloHook %s (build %s)\nLicense: GPL-3.0-or-later\n",
                    quillo::BuildVersion::shortVersion, quillo::BuildVersion::buildNumber);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: QuilloHook < HOOK-EVENT.json\n"
                    "       QuilloHook --version | --help\n"
                    "Quillo's hook recorder: Claude Code runs it for every hook event, with the\n"
                    "event's JSON on standard input. It appends one line to the events file\n"
                    "that QuilloMac reads, prints nothing and always exits 0.\n"
                    "Register it with: QuilloMac --install-hook\n");
        return 0;
    }
    try {
        quillo::Recorder::run();
    } catch (...) {
        // Out of memory on a giant payload, or anything else: the event is lost,
        // but Claude Code must not see a failing hook.
    }
    return 0;
}
