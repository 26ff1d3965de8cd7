// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogger.h"
#include "FakeProc.h"
#include "TempDir.h"
#include "terminal/TerminalSwitcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillo::test {

// A switcher over fake services, a fake /proc holding the Claude Code process
// (pid 500) and a private diagnostic log.
class SwitchFixture : public ::testing::Test {
protected:
    static constexpr std::int32_t claudePid = 500;
    static constexpr std::int32_t appPid = 100;

    struct LogLine {
        DiagnosticLogger::Severity severity;
        std::string category;
        std::string message;
        DiagnosticLogger::Context context;
    };

    SwitchServices services() {
        return SwitchServices{scripts, windows, commands, dbus, proc.proc()};
    }

    SwitchResult switchTo(const ClaudeProcess& process) {
        return TerminalSwitcher(services()).switchTo(process);
    }

    // A session in `kind` whose Claude Code process has `environment`.
    ClaudeProcess session(TerminalKind kind, std::optional<std::string> tty,
                          std::vector<std::string> environment = {}) {
        proc.add({.pid = claudePid, .ppid = 400, .comm = "claude", .environ = environment});
        ClaudeProcess process;
        process.id = "session-1";
        process.name = "quillo";
        process.claudePID = claudePid;
        process.terminal = TerminalLocation{kind, appPid, 400, std::move(tty)};
        return process;
    }

    // The log, oldest entry first.
    std::vector<LogLine> log() const {
        std::vector<LogLine> lines;
        for (const auto& entry : DiagnosticLogger::recentEntries()) {
            lines.insert(lines.begin(),
                         {entry.severity, entry.category, entry.message, entry.context});
        }
        return lines;
    }

    std::vector<std::string> logMessages() const {
        std::vector<std::string> messages;
        for (const auto& line : log()) {
            messages.push_back(line.message);
        }
        return messages;
    }

    TempHome home;
    FakeProc proc;
    FakeScriptRunner scripts;
    FakeWindowSystem windows;
    FakeCommandRunner commands;
    FakeDBusCaller dbus;
};

} // namespace quillo::test
