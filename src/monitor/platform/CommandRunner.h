// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChildProcess.h"

#include <chrono>
#include <string>
#include <vector>

namespace quillo {

// Runs the command-line control interfaces of terminals (tmux, kitty, WezTerm).
// Each call has a short time limit: the caller is the main thread.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // `extraEnvironment`: "NAME=value" entries on top of the monitor's own.
    virtual ChildProcess::Result run(const std::vector<std::string>& argv,
                                     const std::vector<std::string>& extraEnvironment = {}) = 0;
};

class ChildProcessCommandRunner : public CommandRunner {
public:
    explicit ChildProcessCommandRunner(
        std::chrono::milliseconds timeLimit = std::chrono::seconds(1))
        : timeLimit_(timeLimit) {}
    ChildProcess::Result run(const std::vector<std::string>& argv,
                             const std::vector<std::string>& extraEnvironment = {}) override;

private:
    std::chrono::milliseconds timeLimit_;
};

// For tests: records every call and answers from a table keyed by the leading
// arguments (the first entry whose prefix matches wins); anything else exits 0
// with no output.
class FakeCommandRunner : public CommandRunner {
public:
    struct Call {
        std::vector<std::string> argv;
        std::vector<std::string> extraEnvironment;
    };

    void answer(std::vector<std::string> argvPrefix, ChildProcess::Result result);
    ChildProcess::Result run(const std::vector<std::string>& argv,
                             const std::vector<std::string>& extraEnvironment = {}) override;

    static ChildProcess::Result output(std::string standardOutput);
    static ChildProcess::Result exitWith(int code, std::string standardError);
    static ChildProcess::Result timedOut();
    static ChildProcess::Result notStarted();

    std::vector<Call> calls;

private:
    std::vector<std::pair<std::vector<std::string>, ChildProcess::Result>> answers_;
};

} // namespace quillo
