// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeVersionSource.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace quillo {

// The version of the `claude` the user runs, from the places Claude Code is
// installed to, in this order:
// 1. `claude` on the search path: when it is (a link to) an npm package's
//    program, that package's package.json; when it is (a link to) a native
//    install, whose programs are named after their version, that name;
//    otherwise what `claude --version` prints within the time limit;
// 2. `claude` as the user's terminal finds it: the login shell's
//    `command -v claude`. A monitor started from the applications menu lacks
//    the search path that only the shell's profile sets (an npm prefix, say);
// 3. the usual install places: ~/.local/bin/claude, ~/.claude/local/claude;
// 4. the native install: the newest folder in ~/.local/share/claude/versions;
// 5. the npm package in the global package folders: the prefix npm reports
//    (`npm config get prefix`, else the prefix in ~/.npmrc), then the usual ones.
class SystemClaudeVersionSource : public ClaudeVersionSource {
public:
    struct Places {
        std::string searchPath; // PATH
        std::filesystem::path home;
        std::filesystem::path dataHome; // XDG_DATA_HOME, else ~/.local/share
        // Folders that may hold @anthropic-ai/claude-code.
        std::vector<std::filesystem::path> npmPackageFolders;
        std::chrono::milliseconds timeLimit{10000};
        // The user's login shell (SHELL); empty: not asked.
        std::string loginShell;
        // Whether to ask `npm config get prefix` (found as the shell would).
        bool askNpm = false;
    };

    // The places of this process's environment.
    SystemClaudeVersionSource();
    explicit SystemClaudeVersionSource(Places places);

    std::optional<ClaudeCodeVersion> installedVersion() const override;

    static Places placesFromEnvironment();

private:
    Places places_;
};

} // namespace quillo
