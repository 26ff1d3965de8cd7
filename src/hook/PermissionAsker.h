// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PermissionQuestion.h"

#include <chrono>
#include <filesystem>
#include <optional>

namespace quillo::PermissionAsker {

// Claude Code gives the recorder's PermissionRequest entry
// PermissionQuestion::hookTimeLimit; the recorder gives up this much earlier,
// so that it leaves on its own rather than being killed, and so that its last
// word to the monitor is "withdrawn".
inline constexpr std::chrono::seconds giveUpMargin{5};

// Puts `question` to the monitor listening at `socket` and waits for its
// answer: the answer to print, or nothing (no monitor, a monitor of another
// user, no answer, `limit` passed, `stopFd` readable, any error). Tells the
// monitor "withdrawn" when it stops waiting without an answer. Never throws.
std::optional<PermissionQuestion::Answer> ask(const PermissionQuestion::Question& question,
                                              const std::filesystem::path& socket,
                                              std::chrono::milliseconds limit, int stopFd);

// The whole step for the recorder: asks with SIGTERM as the stop (Claude Code
// sends it when the person answers in the terminal with No or Esc, and at its
// time limit) and prints the decision on standard output. Silent otherwise.
void askAndPrint(const PermissionQuestion::Question& question);

} // namespace quillo::PermissionAsker
