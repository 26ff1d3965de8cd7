#pragma once

#include "ProcFs.h"
#include "TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillo::test {

// A procfs tree in a temporary folder: each added process gets a stat line in
// the kernel's format and, when given, a cmdline, an environ and an exe link.
class FakeProc {
public:
    struct Process {
        std::int32_t pid = 0;
        std::int32_t ppid = 0;
        std::string comm;
        std::vector<std::string> cmdline = {};
        std::int32_t ttyNr = 0;
        std::string exe = {};                   // empty: no exe link
        std::vector<std::string> environ = {};  // "NAME=value"
        std::string cgroup = {};
        std::uint64_t startTime = 1000;
    };

    FakeProc() : proc_(dir_.path()) {}

    void add(const Process& process);
    void remove(std::int32_t pid);
    const ProcFs& proc() const { return proc_; }
    const std::filesystem::path& root() const { return dir_.path(); }

    // tty_nr of /dev/pts/N.
    static std::int32_t ptsDevice(int n) { return ((136 + n / 256) << 8) | (n % 256); }

private:
    TempDir dir_;
    ProcFs proc_;
};

} // namespace quillo::test
