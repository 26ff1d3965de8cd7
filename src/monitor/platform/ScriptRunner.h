// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

// What running one Apple-style script gave: it could not be created at all, it
// ran and returned (maybe a string), or it reported an error.
struct ScriptRun {
    struct Error {
        std::optional<std::string> message;
        std::optional<int> number;
    };

    bool created = false;
    std::optional<std::string> stringResult;
    std::optional<Error> error;
};

// Runs the tab-selection scripts of the two terminals that take Apple events.
class ScriptRunner {
public:
    virtual ~ScriptRunner() = default;
    virtual ScriptRun run(std::string_view source) = 0;
};

// Linux has no script engine for those terminals: every script fails to be
// created, which the switcher reports as such.
class UnavailableScriptRunner : public ScriptRunner {
public:
    ScriptRun run(std::string_view source) override;
};

// For tests: answers scripts in order (the last answer repeats) and keeps the
// texts it was given.
class FakeScriptRunner : public ScriptRunner {
public:
    void answer(ScriptRun run) { answers_.push_back(std::move(run)); }
    ScriptRun run(std::string_view source) override;

    std::vector<std::string> sources;

private:
    std::vector<ScriptRun> answers_;
};

} // namespace quillo
