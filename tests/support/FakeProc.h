// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProcFs.h"
#include "TempDir.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillo::test {

// A procfs tree in a temporary folder: each added process gets a stat line in
// the kernel's format and, when given, a cmdline, an environ and an exe link.
// Its cgroup lines put it into the cgroup.procs of a cgroup tree next to it, as
// the kernel does.
class FakeProc {
public:
    struct Process {
        std::int32_t pid = 0;
        std::int32_t ppid = 0;
        std::string comm;
        std::vector<std::string> cmdline = {};
        std::int32_t ttyNr = 0;
        std::string exe = {};                  // empty: no exe link
        std::vector<std::string> environ = {}; // "NAME=value"
        std::string cgroup = {};
        std::uint64_t startTime = 1000;
        char state = 'S'; // Z: ended, its exit status not collected yet
    };

    FakeProc() : proc_(dir_.path() / "proc", dir_.path() / "cgroup") {}

    void add(const Process& process);
    void remove(std::int32_t pid);
    const ProcFs& proc() const { return proc_; }
    const std::filesystem::path& root() const { return proc_.root(); }

    // tty_nr of /dev/pts/N as the kernel writes it: the device is major 136,
    // minor N, and the number keeps the low 8 bits of the minor below the
    // major and the rest of the minor above it.
    static std::int32_t ptsDevice(int n) {
        unsigned minor = static_cast<unsigned>(n);
        return static_cast<std::int32_t>((minor & 0xffu) | (136u << 8) | ((minor & ~0xffu) << 12));
    }

private:
    std::vector<std::filesystem::path> cgroupsOf(const Process& process) const;

    TempDir dir_;
    ProcFs proc_;
    std::map<std::int32_t, Process> processes_;
};

} // namespace quillo::test
