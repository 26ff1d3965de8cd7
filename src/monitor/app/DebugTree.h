// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "terminal/ProcessTreeResolver.h"

#include <cstdint>
#include <iosfwd>

namespace quillo {

// The "--debug-tree PID" mode: resolves the terminal of `pid` with every step
// traced, then a "Result: " line. Returns the exit status.
int runDebugTree(std::int32_t pid, const ProcessTreeResolver::Sources& sources, std::ostream& out);

} // namespace quillo
