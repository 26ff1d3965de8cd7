// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

// The fields of /proc/<pid>/stat that Quillo uses.
struct ProcStat {
    std::int32_t pid = 0;
    std::string comm; // may hold spaces and ")"
    char state = '?';
    std::int32_t ppid = 0;
    std::int32_t ttyNr = 0;      // 0: no controlling terminal
    std::uint64_t startTime = 0; // clock ticks after boot; tells a reused pid apart
};

// Read access to a procfs tree, and to the cgroup tree its cgroup files name.
// The real ones live at /proc and /sys/fs/cgroup; tests point them at folders of
// their own that hold <pid>/stat, <pid>/cmdline and so on.
class ProcFs {
public:
    explicit ProcFs(std::filesystem::path root = "/proc",
                    std::filesystem::path cgroupRoot = "/sys/fs/cgroup");

    static const ProcFs& system();

    const std::filesystem::path& root() const { return root_; }
    bool isSystem() const { return root_ == "/proc"; }

    // Nothing when the process has no record (it does not exist, or is hidden).
    std::optional<ProcStat> stat(std::int32_t pid) const;

    // The whole of /proc/<pid>/<name>, or nothing when it cannot be read.
    std::optional<std::string> readFile(std::int32_t pid, std::string_view name) const;

    // argv of the process; empty when unreadable (kernel threads, zombies).
    std::vector<std::string> cmdline(std::int32_t pid) const;

    // The target of /proc/<pid>/exe, without a " (deleted)" suffix.
    std::optional<std::string> exe(std::int32_t pid) const;

    // One variable of the process's initial environment.
    std::optional<std::string> environ(std::int32_t pid, std::string_view name) const;

    // The processes in a cgroup, given as a line of /proc/<pid>/cgroup names it
    // ("0::/path" for the unified hierarchy, "N:name=systemd:/path" for
    // systemd's own on a hybrid system); nothing when it cannot be read.
    std::optional<std::vector<std::int32_t>> cgroupMembers(std::string_view hierarchy,
                                                           std::string_view path) const;

private:
    std::filesystem::path root_;
    std::filesystem::path cgroupRoot_;
};

// Parses the text of a stat file; the comm field may contain ")" and spaces, so
// the fields are read after the last ")".
std::optional<ProcStat> parseProcStat(std::string_view text);

// Decodes a tty_nr to a device path: pseudo-terminals arithmetically, anything
// else by the character device under devRoot with that number.
std::optional<std::string> ttyNameFromDeviceNumber(std::int32_t ttyNr,
                                                   const std::filesystem::path& devRoot = "/dev");

} // namespace quillo
