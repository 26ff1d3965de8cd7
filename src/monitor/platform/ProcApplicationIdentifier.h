// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApplicationIdentifier.h"
#include "ProcFs.h"

#include <string_view>

namespace quillo {

// Identifies applications from /proc:
// 1. a terminal multiplexer's server by its executable: it keeps the unit of
//    the terminal it was started from long after leaving that terminal;
// 2. the systemd unit that desktops start applications in, named
//    "app[-<launcher>]-<AppID>[-<random>].scope" or "app[-<launcher>]-<AppID>[@<random>].service",
//    read from /proc/<pid>/cgroup, but only for the unit's first process (the
//    earliest started of its cgroup.procs) whose parent is not that
//    application: every child inherits the unit, a shell inside a terminal's
//    scope is not the terminal, and neither is a process re-parented to the
//    service manager;
// 3. else a table of terminal executables, looked up by the basename of
//    /proc/<pid>/exe, then by comm, then by argv[0] (scripts such as
//    Terminator run under an interpreter, so only comm names them).
class ProcApplicationIdentifier : public ApplicationIdentifier {
public:
    explicit ProcApplicationIdentifier(const ProcFs& proc = ProcFs::system()) : proc_(proc) {}

    std::optional<std::string> bundleIdentifier(std::int32_t pid) const override;

    // The application id named by the innermost unit of a cgroup file's text,
    // with alternative desktop ids folded to the ones Quillo knows.
    static std::optional<std::string> appIdFromCgroup(std::string_view cgroupText);

    // The identifier of a terminal executable ("gnome-terminal-server",
    // "tmux: server", ...). `name` may be a comm, cut to 15 bytes by the kernel.
    static std::optional<std::string> appIdFromExecutableName(std::string_view name);

private:
    std::optional<std::string> identifyByExecutable(std::int32_t pid) const;
    bool isFirstOfUnit(const ProcStat& stat, std::string_view cgroupText,
                       std::string_view controllers, std::string_view path) const;

    const ProcFs& proc_;
};

} // namespace quillo
