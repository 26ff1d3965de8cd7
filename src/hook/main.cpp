// SPDX-License-Identifier: GPL-3.0-or-later
// QuilloHook: run by Claude Code for every hook event. Records the event and
// its caller as one line of the events file, and always exits 0. For a
// permission question it then asks the running monitor, and prints the
// decision only when the person answered it in Quillo; in every other case it
// prints nothing, so it never changes what Claude Code does on its own.
#include "PermissionAsker.h"
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
                    "that QuilloMac reads and always exits 0. For a permission question it\n"
                    "also asks the running QuilloMac, and prints the decision made there.\n"
                    "Register it with: QuilloMac --install-hook\n");
        return 0;
    }
    try {
        if (auto question = quillo::Recorder::run()) {
            quillo::PermissionAsker::askAndPrint(*question);
        }
    } catch (...) {
        // Out of memory on a giant payload, or anything else: the event is lost,
        // but Claude Code must not see a failing hook.
    }
    return 0;
}
