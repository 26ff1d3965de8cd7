// SPDX-License-Identifier: GPL-3.0-or-later
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

std::vector<std::filesystem::path> FakeProc::cgroupsOf(const Process& process) const {
    std::vector<std::filesystem::path> folders;
    for (const std::string& line : splitLines(process.cgroup)) {
        auto first = line.find(':');
        auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) {
            continue;
        }
        std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        while (!path.empty() && path.front() == '/') {
            path.erase(0, 1);
        }
        if (controllers.empty()) {
            folders.push_back(dir_.path() / "cgroup" / path);
        } else if (controllers == "name=systemd") {
            folders.push_back(dir_.path() / "cgroup" / "systemd" / path);
        }
    }
    return folders;
}

void FakeProc::add(const Process& p) {
    remove(p.pid);
    processes_[p.pid] = p;
    for (const auto& cgroup : cgroupsOf(p)) {
        std::filesystem::create_directories(cgroup);
        std::string procs = readFile(cgroup / "cgroup.procs");
        writeFile(cgroup / "cgroup.procs", procs + std::to_string(p.pid) + "\n");
    }
    auto folder = root() / std::to_string(p.pid);
    std::filesystem::create_directories(folder);
    // pid (comm) state ppid pgrp session tty_nr tpgid flags minflt cminflt majflt
    // cmajflt utime stime cutime cstime priority nice num_threads itrealvalue starttime ...
    std::string stat = std::to_string(p.pid) + " (" + p.comm + ") " + p.state + " " +
                       std::to_string(p.ppid) + " " + std::to_string(p.pid) + " " +
                       std::to_string(p.pid) + " " + std::to_string(p.ttyNr) +
                       " -1 4194560 100 0 0 0 1 2 0 0 20 0 1 0 " + std::to_string(p.startTime) +
                       " 1000000 100 18446744073709551615\n";
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
    std::filesystem::remove_all(root() / std::to_string(pid));
    auto known = processes_.find(pid);
    if (known == processes_.end()) {
        return;
    }
    for (const auto& cgroup : cgroupsOf(known->second)) {
        std::string kept;
        for (const std::string& line : splitLines(readFile(cgroup / "cgroup.procs"))) {
            if (line != std::to_string(pid)) {
                kept += line + "\n";
            }
        }
        writeFile(cgroup / "cgroup.procs", kept);
    }
    processes_.erase(known);
}

} // namespace quillo::test
