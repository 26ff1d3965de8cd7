// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace quillo::test {

// A private tmux server on a socket of its own, killed at scope end.
class TmuxServer {
public:
    TmuxServer() : socket_((dir_.path() / "tmux.sock").string()) {}
    ~TmuxServer() { run({"kill-server"}); }
    TmuxServer(const TmuxServer&) = delete;
    TmuxServer& operator=(const TmuxServer&) = delete;

    ChildProcess::Result run(std::vector<std::string> arguments) const {
        std::vector<std::string> argv{"tmux", "-S", socket_, "-f", "/dev/null"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return ChildProcess::run(
            argv, {.timeLimit = std::chrono::seconds(10), .captureStandardError = true});
    }

    std::string output(std::vector<std::string> arguments) const {
        auto result = run(std::move(arguments));
        EXPECT_TRUE(result.succeeded()) << result.standardError;
        return result.standardOutput;
    }

    const std::string& socket() const { return socket_; }

private:
    TempDir dir_;
    std::string socket_;
};

} // namespace quillo::test
