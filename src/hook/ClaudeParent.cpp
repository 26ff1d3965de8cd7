// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClaudeParent.h"

#include "ProcessChain.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quillo {

namespace {

constexpr std::size_t maxHops = 32;

std::optional<std::int32_t> parsePid(std::string_view text) {
    std::int32_t pid = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() || pid < 2) {
        return std::nullopt;
    }
    return pid;
}

bool hasCommandOption(const std::vector<std::string>& argv) {
    for (std::size_t i = 1; i < argv.size(); ++i) {
        std::string_view arg = argv[i];
        if (arg.size() < 2 || arg[0] != '-') {
            return false; // operands start; the options are over
        }
        if (arg.starts_with("--")) {
            continue; // long options such as --norc
        }
        if (arg.find('c') != std::string_view::npos) {
            return true; // -c, or a cluster such as -lc
        }
    }
    return false;
}

} // namespace

bool isWrapperShell(std::int32_t pid, const ProcFs& proc) {
    auto stat = proc.stat(pid);
    if (!stat) {
        return false;
    }
    constexpr std::array shells{"sh", "dash", "bash", "zsh"};
    if (std::find(shells.begin(), shells.end(), stat->comm) == shells.end()) {
        return false;
    }
    return hasCommandOption(proc.cmdline(pid));
}

std::int32_t chooseClaudePID(std::int32_t parentPID, std::optional<std::string_view> claudePidEnv,
                             const ProcFs& proc) {
    if (claudePidEnv) {
        if (auto claimed = parsePid(*claudePidEnv)) {
            auto ancestors = ProcessChain::walk(parentPID, maxHops, proc);
            if (std::find(ancestors.begin(), ancestors.end(), *claimed) != ancestors.end()) {
                return *claimed;
            }
        }
    }
    if (isWrapperShell(parentPID, proc)) {
        if (auto grandparent = ProcessChain::parentPID(parentPID, proc); grandparent && *grandparent >= 2) {
            return *grandparent;
        }
    }
    return parentPID;
}

} // namespace quillo
