// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcFs.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillo {

namespace {

std::optional<std::string> readWholeFile(const char* path) {
    FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        return std::nullopt;
    }
    return readToEnd(fd.get());
}

template <typename Int> bool parseInt(std::string_view text, Int& out) {
    auto result = std::from_chars(text.data(), text.data() + text.size(), out);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

std::optional<std::string> findChardev(const std::filesystem::path& folder, dev_t device) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
            info.st_rdev == device) {
            return entry.path().string();
        }
    }
    return std::nullopt;
}

} // namespace

ProcFs::ProcFs(std::filesystem::path root, std::filesystem::path cgroupRoot)
    : root_(std::move(root)), cgroupRoot_(std::move(cgroupRoot)) {}

std::optional<std::vector<std::int32_t>> ProcFs::cgroupMembers(std::string_view hierarchy,
                                                               std::string_view path) const {
    std::filesystem::path folder = cgroupRoot_;
    if (hierarchy == "name=systemd") {
        folder /= "systemd";
    } else if (!hierarchy.empty()) {
        return std::nullopt;
    }
    while (path.starts_with('/')) {
        path.remove_prefix(1);
    }
    // A path that climbs out of the tree is no cgroup.
    if (path.find("..") != std::string_view::npos) {
        return std::nullopt;
    }
    auto text = readWholeFile((folder / path / "cgroup.procs").c_str());
    if (!text) {
        return std::nullopt;
    }
    std::vector<std::int32_t> members;
    std::string_view rest = *text;
    while (!rest.empty()) {
        auto end = rest.find('\n');
        std::int32_t pid = 0;
        if (parseInt(rest.substr(0, end), pid) && pid > 0) {
            members.push_back(pid);
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return members;
}

const ProcFs& ProcFs::system() {
    static const ProcFs instance;
    return instance;
}

std::optional<std::string> ProcFs::readFile(std::int32_t pid, std::string_view name) const {
    std::string path = root_.string();
    path += '/';
    path += std::to_string(pid);
    path += '/';
    path += name;
    return readWholeFile(path.c_str());
}

std::optional<ProcStat> ProcFs::stat(std::int32_t pid) const {
    if (pid <= 0) {
        return std::nullopt;
    }
    auto text = readFile(pid, "stat");
    if (!text) {
        return std::nullopt;
    }
    return parseProcStat(*text);
}

std::vector<std::string> ProcFs::cmdline(std::int32_t pid) const {
    std::vector<std::string> args;
    auto text = readFile(pid, "cmdline");
    if (!text) {
        return args;
    }
    std::string_view rest = *text;
    while (!rest.empty()) {
        auto end = rest.find('\0');
        args.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return args;
}

std::optional<std::string> ProcFs::exe(std::int32_t pid) const {
    std::error_code ec;
    auto target = std::filesystem::read_symlink(root_ / std::to_string(pid) / "exe", ec);
    if (ec) {
        return std::nullopt;
    }
    std::string path = target.string();
    constexpr std::string_view deleted = " (deleted)";
    if (path.size() > deleted.size() && path.ends_with(deleted)) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

std::optional<std::string> ProcFs::environ(std::int32_t pid, std::string_view name) const {
    auto text = readFile(pid, "environ");
    if (!text) {
        return std::nullopt;
    }
    std::string_view rest = *text;
    while (!rest.empty()) {
        auto end = rest.find('\0');
        std::string_view entry = rest.substr(0, end);
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=') {
            return std::string(entry.substr(name.size() + 1));
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return std::nullopt;
}

std::optional<ProcStat> parseProcStat(std::string_view text) {
    auto open = text.find('(');
    auto close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return std::nullopt;
    }
    ProcStat stat;
    auto pidText = text.substr(0, open);
    while (!pidText.empty() && pidText.back() == ' ') {
        pidText.remove_suffix(1);
    }
    if (!parseInt(pidText, stat.pid)) {
        return std::nullopt;
    }
    stat.comm = std::string(text.substr(open + 1, close - open - 1));

    // Fields after the comm, numbered as in proc(5): 3 state, 4 ppid, 7 tty_nr,
    // 22 starttime.
    std::string_view rest = text.substr(close + 1);
    int field = 3;
    bool haveState = false;
    bool havePpid = false;
    bool haveTty = false;
    while (!rest.empty() && field <= 22) {
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\n')) {
            rest.remove_prefix(1);
        }
        if (rest.empty()) {
            break;
        }
        auto end = rest.find_first_of(" \n");
        std::string_view token = rest.substr(0, end);
        switch (field) {
        case 3:
            stat.state = token.empty() ? '?' : token.front();
            haveState = true;
            break;
        case 4:
            havePpid = parseInt(token, stat.ppid);
            break;
        case 7:
            haveTty = parseInt(token, stat.ttyNr);
            break;
        case 22:
            parseInt(token, stat.startTime);
            break;
        default:
            break;
        }
        ++field;
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end);
    }
    if (!haveState || !havePpid || !haveTty) {
        return std::nullopt;
    }
    return stat;
}

std::optional<std::string> ttyNameFromDeviceNumber(std::int32_t ttyNr,
                                                   const std::filesystem::path& devRoot) {
    if (ttyNr == 0) {
        return std::nullopt;
    }
    auto device = static_cast<dev_t>(static_cast<std::uint32_t>(ttyNr));
    unsigned int maj = major(device);
    unsigned int min = minor(device);
    // Unix98 pseudo-terminals: majors 136-143, 256 minors each.
    if (maj >= 136 && maj <= 143) {
        return (devRoot / "pts" / std::to_string((maj - 136) * 256 + min)).string();
    }
    if (auto path = findChardev(devRoot, device)) {
        return path;
    }
    return findChardev(devRoot / "pts", device);
}

} // namespace quillo
