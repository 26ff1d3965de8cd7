// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "installer/ClaudeCodeVersion.h"

#include <optional>

namespace quillo {

// Finds the version of the Claude Code the user runs. Looking may start
// `claude --version`, which takes seconds: never on the main thread.
class ClaudeVersionSource {
public:
    virtual ~ClaudeVersionSource() = default;

    // Nothing when no Claude Code, or no version of it, can be found.
    virtual std::optional<ClaudeCodeVersion> installedVersion() const = 0;
};

} // namespace quillo
