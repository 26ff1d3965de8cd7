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
// 2. the native install: the version ~/.local/bin/claude links to, else the
//    newest folder in ~/.local/share/claude/versions;
// 3. the npm package in the usual global package folders.
class SystemClaudeVersionSource : public ClaudeVersionSource {
public:
    struct Places {
        std::string searchPath; // PATH
        std::filesystem::path home;
        std::filesystem::path dataHome; // XDG_DATA_HOME, else ~/.local/share
        // Folders that may hold @anthropic-ai/claude-code.
        std::vector<std::filesystem::path> npmPackageFolders;
        std::chrono::milliseconds timeLimit{10000};
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
