// SPDX-License-Identifier: GPL-3.0-or-later
// A program that installs the monitor's crash handler and then dies the way
// its first argument says, so tests can check the report of a real crash.
// Usage: crash_child FOLDER LOG null|stack-overflow|abort
#include "app/CrashHandler.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Not null, which the undefined-behaviour checks would catch first.
volatile std::uintptr_t nowhere = 16;
volatile bool keepGoing = true;

// Recursion the compiler cannot turn into a loop: the stack runs out.
int descend(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return keepGoing ? descend(depth + 1) + frame[0] : frame[0];
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    if (!quillo::CrashHandler::install({argv[1], "QuilloMac", "v9.8.7 (65)", argv[2]})) {
        std::puts("install failed");
        return 3;
    }
    const char* how = argv[3];
    if (std::strcmp(how, "null") == 0) {
        return *reinterpret_cast<volatile int*>(nowhere);
    }
    if (std::strcmp(how, "stack-overflow") == 0) {
        return descend(0);
    }
    if (std::strcmp(how, "abort") == 0) {
        std::abort();
    }
    return 0;
}
