// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChildProcess.h"
#include "TempDir.h"

#include <string>
#include <vector>

namespace quillo::test {

// Runs the real QuilloHook binary with `input` on standard input and HOME and
// the XDG variables pointing into `home`.
inline ChildProcess::Result runRecorder(const TempHome& home, const std::string& input,
                                        std::vector<std::string> extraEnvironment = {},
                                        std::vector<std::string> argv = {QUILLO_HOOK_BINARY}) {
    auto env = home.environment();
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    return ChildProcess::run(argv, {.timeLimit = std::chrono::seconds(60),
                                    .standardInput = input,
                                    .captureStandardError = true,
                                    .extraEnvironment = env});
}

} // namespace quillo::test
