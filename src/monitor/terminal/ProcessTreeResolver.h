// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcFs.h"
#include "TerminalLocation.h"
#include "platform/ApplicationIdentifier.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quillo::ProcessTreeResolver {

// Where the resolver looks: a procfs tree and the application identification
// over it.
struct Sources {
    const ProcFs& proc;
    const ApplicationIdentifier& applications;
};

// Finds the terminal application a Claude Code process runs in: the first
// process of the ancestor chain (nearest first) that is a known terminal
// (climbing on through parents that are the same application, up to its main
// process), the process just below that first one as the tab's shell, and the tab's terminal device
// (the recorder's measurement when it has one, else the first process below the terminal that has a
// terminal). `chain` is used when present and not empty, else the chain is walked from
// `startingPID`. Inside tmux the chain reaches the tmux server, so the kind is tmux and the device
// is the pane's. With `verbose`, every step is traced to `out`.
std::optional<TerminalLocation> resolve(const std::optional<std::vector<std::int32_t>>& chain,
                                        std::optional<std::int32_t> startingPID,
                                        const std::optional<std::string>& shellTTY, bool verbose,
                                        const Sources& sources, std::ostream& out);

// The location's fields as one line of text, or "nil".
std::string describe(const std::optional<TerminalLocation>& location);

} // namespace quillo::ProcessTreeResolver
