#include "FakeProc.h"

namespace quillo::test {

namespace {
std::string joinWithNul(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
        text += part;
        text.push_back('\0');
    }
    return text;
}
} // namespace

void FakeProc::add(const Process& p) {
    auto folder = dir_.path() / std::to_string(p.pid);
    std::filesystem::create_directories(folder);
    // pid (comm) state ppid pgrp session tty_nr tpgid flags minflt cminflt majflt
    // cmajflt utime stime cutime cstime priority nice num_threads itrealvalue starttime ...
    std::string stat = std::to_string(p.pid) + " (" + p.comm + ") S " + std::to_string(p.ppid) +
                       " " + std::to_string(p.pid) + " " + std::to_string(p.pid) + " " +
                       std::to_string(p.ttyNr) + " -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 " +
                       std::to_string(p.startTime) + " 1000000 100 18446744073709551615\n";
    writeFile(folder / "stat", stat);
    writeFile(folder / "comm", p.comm + "\n");
    writeFile(folder / "cmdline", joinWithNul(p.cmdline));
    writeFile(folder / "environ", joinWithNul(p.environ));
    writeFile(folder / "cgroup", p.cgroup);
    if (!p.exe.empty()) {
        std::filesystem::create_symlink(p.exe, folder / "exe");
    }
}

void FakeProc::remove(std::int32_t pid) {
    std::filesystem::remove_all(dir_.path() / std::to_string(pid));
}

} // namespace quillo::test
