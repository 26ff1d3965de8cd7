// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcFs.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillo::ProcessChain {

// The starting pid and its ancestors, nearest first, at most maxHops entries.
// Never holds pid 0 or 1; a pid below 2 gives an empty chain and a pid without
// a record gives a chain of just itself.
std::vector<std::int32_t> walk(std::int32_t pid, std::size_t maxHops,
                               const ProcFs& proc = ProcFs::system());

// The parent pid, or nothing when the process has no record.
std::optional<std::int32_t> parentPID(std::int32_t pid, const ProcFs& proc = ProcFs::system());

// Whether the process still runs: it has a record and is no zombie. A process
// that ended keeps its record until its parent collects its exit status, which
// a busy or careless parent (tmux, at times) does late or never.
bool isRunning(std::int32_t pid, const ProcFs& proc = ProcFs::system());

// The controlling terminal's device path ("/dev/..."), or nothing.
std::optional<std::string> ttyName(std::int32_t pid, const ProcFs& proc = ProcFs::system());

// The two ways ttyName tries, exposed for tests.
std::optional<std::string> ttyViaProc(std::int32_t pid, const ProcFs& proc);
std::optional<std::string> ttyViaPS(std::int32_t pid);

// Turns the output of `ps -o tty=` into a device path, or nothing for "no terminal".
std::optional<std::string> ttyFromPSOutput(std::string_view output);

} // namespace quillo::ProcessChain
