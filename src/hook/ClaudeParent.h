// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcFs.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillo {

// Which process is the Claude Code process that ran this hook. Claude Code runs
// hook commands through `sh -c`, and the shell may or may not exec the command,
// so the recorder's parent can be a short-lived wrapper shell. Recording that
// shell's pid would make the monitor prune the session 30 s later, when it finds
// the shell gone.
//
// Order: $CLAUDE_PID when it names one of our ancestors; else the parent, unless
// the parent is a shell running a `-c` command, in which case its parent.
std::int32_t chooseClaudePID(std::int32_t parentPID, std::optional<std::string_view> claudePidEnv,
                             const ProcFs& proc = ProcFs::system());

// True for sh, dash, bash or zsh started with a `-c` command.
bool isWrapperShell(std::int32_t pid, const ProcFs& proc = ProcFs::system());

} // namespace quillo
