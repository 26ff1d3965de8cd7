// SPDX-License-Identifier: GPL-3.0-or-later
// Where the benchmarks keep their files: a fresh folder of their own, and for
// those that run recorders, a private home that the recorders inherit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace quillo::bench {

// A new, empty folder in the temporary directory; nothing (said on standard
// error) when none can be made.
inline std::optional<std::filesystem::path> makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return std::nullopt;
    }
    return std::filesystem::path(pattern);
}

// A new folder made this process's home (HOME, and XDG_DATA_HOME below it),
// with no CLAUDE_PID: the recorders it starts write where its monitor reads.
inline std::optional<std::filesystem::path> enterPrivateHome() {
    auto home = makeFolder();
    if (home) {
        ::setenv("HOME", home->c_str(), 1);
        ::setenv("XDG_DATA_HOME", (*home / ".local/share").c_str(), 1);
        ::unsetenv("CLAUDE_PID");
    }
    return home;
}

} // namespace quillo::bench
