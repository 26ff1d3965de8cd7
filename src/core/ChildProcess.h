// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillo::ChildProcess {

struct Result {
    bool started = false;  // false: the program could not be run at all
    bool timedOut = false; // killed because it outlived its time limit
    int exitCode = -1;     // -1 when it did not exit normally
    std::string standardOutput;
    std::string standardError;

    bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

struct Options {
    std::chrono::milliseconds timeLimit{1000};
    std::optional<std::string> standardInput; // absent: /dev/null
    bool captureStandardError = false;        // false: /dev/null
    // Extra "NAME=value" entries on top of the caller's environment.
    std::vector<std::string> extraEnvironment;
};

// Runs argv[0] (an absolute path, or a name looked up in PATH) with the given
// arguments and waits for it, at most `timeLimit`; a child that takes longer is
// killed, together with every process it started (it runs in a process group
// of its own). Output beyond 4 MiB per stream is dropped, so a runaway child cannot
// exhaust memory.
Result run(const std::vector<std::string>& argv, const Options& options = {});

} // namespace quillo::ChildProcess
