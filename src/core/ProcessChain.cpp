// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessChain.h"

#include "ChildProcess.h"
#include "Utf8.h"

#include <algorithm>
#include <unistd.h>

namespace quillo::ProcessChain {

std::vector<std::int32_t> walk(std::int32_t pid, std::size_t maxHops, const ProcFs& proc) {
    std::vector<std::int32_t> chain;
    if (maxHops == 0) {
        return chain;
    }
    std::int32_t current = pid;
    while (current >= 2) {
        chain.push_back(current);
        auto stat = proc.stat(current);
        if (!stat) {
            break;
        }
        if (stat->ppid == current || chain.size() >= maxHops) {
            break;
        }
        // A cycle can only come from a corrupt (fake) tree, but must not loop.
        if (std::find(chain.begin(), chain.end(), stat->ppid) != chain.end()) {
            break;
        }
        current = stat->ppid;
    }
    return chain;
}

std::optional<std::int32_t> parentPID(std::int32_t pid, const ProcFs& proc) {
    if (auto stat = proc.stat(pid)) {
        return stat->ppid;
    }
    return std::nullopt;
}

bool isRunning(std::int32_t pid, const ProcFs& proc) {
    const auto stat = proc.stat(pid);
    // Z: a zombie; X: being removed (rarely seen).
    return stat && stat->state != 'Z' && stat->state != 'X';
}

std::optional<std::string> ttyViaProc(std::int32_t pid, const ProcFs& proc) {
    auto stat = proc.stat(pid);
    if (!stat) {
        return std::nullopt;
    }
    return ttyNameFromDeviceNumber(stat->ttyNr);
}

std::optional<std::string> ttyFromPSOutput(std::string_view output) {
    if (!isValidUtf8(output)) {
        return std::nullopt;
    }
    constexpr std::string_view blanks = " \t\r\n";
    auto first = output.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    output = output.substr(first, output.find_last_not_of(blanks) - first + 1);
    // procps prints "?" for no terminal; BSD ps prints "??".
    if (output == "?" || output == "??") {
        return std::nullopt;
    }
    if (output.starts_with("/dev/")) {
        return std::string(output);
    }
    return "/dev/" + std::string(output);
}

std::optional<std::string> ttyViaPS(std::int32_t pid) {
    auto result = ChildProcess::run({"/bin/ps", "-o", "tty=", "-p", std::to_string(pid)},
                                    {.timeLimit = std::chrono::milliseconds(1000)});
    if (!result.started || result.timedOut) {
        return std::nullopt;
    }
    return ttyFromPSOutput(result.standardOutput);
}

std::optional<std::string> ttyName(std::int32_t pid, const ProcFs& proc) {
    // /proc is authoritative: tty_nr 0 means the process has no controlling
    // terminal, and no record means no process; ps reads the same kernel data
    // and could only say so too, at the cost of a child process. ps is asked
    // only when /proc cannot tell: a device number that names no device here,
    // or no procfs mounted at all.
    if (auto stat = proc.stat(pid)) {
        if (stat->ttyNr == 0) {
            return std::nullopt;
        }
        if (auto name = ttyNameFromDeviceNumber(stat->ttyNr)) {
            return name;
        }
    } else if (::access((proc.root() / "self/stat").c_str(), R_OK) == 0) {
        return std::nullopt;
    }
    if (!proc.isSystem()) {
        return std::nullopt;
    }
    return ttyViaPS(pid);
}

} // namespace quillo::ProcessChain
