// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandRunner.h"

#include <algorithm>

namespace quillo {

ChildProcess::Result
ChildProcessCommandRunner::run(const std::vector<std::string>& argv,
                               const std::vector<std::string>& extraEnvironment) {
    ChildProcess::Options options;
    options.timeLimit = timeLimit_;
    options.captureStandardError = true;
    options.extraEnvironment = extraEnvironment;
    return ChildProcess::run(argv, options);
}

void FakeCommandRunner::answer(std::vector<std::string> argvPrefix, ChildProcess::Result result) {
    answers_.emplace_back(std::move(argvPrefix), std::move(result));
}

ChildProcess::Result FakeCommandRunner::run(const std::vector<std::string>& argv,
                                            const std::vector<std::string>& extraEnvironment) {
    calls.push_back({argv, extraEnvironment});
    for (const auto& [prefix, result] : answers_) {
        if (prefix.size() <= argv.size() &&
            std::equal(prefix.begin(), prefix.end(), argv.begin())) {
            return result;
        }
    }
    return output("");
}

ChildProcess::Result FakeCommandRunner::output(std::string standardOutput) {
    ChildProcess::Result result;
    result.started = true;
    result.exitCode = 0;
    result.standardOutput = std::move(standardOutput);
    return result;
}

ChildProcess::Result FakeCommandRunner::exitWith(int code, std::string standardError) {
    ChildProcess::Result result;
    result.started = true;
    result.exitCode = code;
    result.standardError = std::move(standardError);
    return result;
}

ChildProcess::Result FakeCommandRunner::timedOut() {
    ChildProcess::Result result;
    result.started = true;
    result.timedOut = true;
    return result;
}

ChildProcess::Result FakeCommandRunner::notStarted() {
    return ChildProcess::Result{};
}

} // namespace quillo
