// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcApplicationIdentifier.h"

#include "HexDigit.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quillo {

namespace {

// Executable (or script) names of the terminals Quillo knows, with the
// identifier each one's application goes by.
constexpr std::array<std::pair<std::string_view, std::string_view>, 14> executables{{
    {"gnome-terminal-server", "org.gnome.Terminal"},
    {"konsole", "org.kde.konsole"},
    {"kitty", "kitty"},
    {"wezterm-gui", "org.wezfurlong.wezterm"},
    // A tmux server sets its comm to "tmux: server"; it is the only tmux
    // process a pane can have as an ancestor.
    {"tmux: server", "tmux"},
    {"tmux", "tmux"},
    {"alacritty", "Alacritty"},
    {"foot", "foot"},
    {"xterm", "xterm"},
    {"tilix", "com.gexperts.Tilix"},
    {"terminator", "terminator"},
    {"ghostty", "com.mitchellh.ghostty"},
    {"code", "com.microsoft.VSCode"},
    {"warp-terminal", "dev.warp.Warp-Stable"},
}};

// Desktop ids that distributions or newer releases use for the same terminals.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> desktopAliases{{
    {"gnome-terminal", "org.gnome.Terminal"},
    {"konsole", "org.kde.konsole"},
    {"debian-xterm", "xterm"},
    {"debian-uxterm", "xterm"},
    {"uxterm", "xterm"},
    {"org.codeberg.dnkl.foot", "foot"},
    {"org.codeberg.dnkl.footclient", "foot"},
    {"org.codeberg.dnkl.foot-server", "foot"},
    {"footclient", "foot"},
    {"foot-server", "foot"},
    {"code", "com.microsoft.VSCode"},
}};

constexpr std::size_t commLength = 15; // TASK_COMM_LEN - 1

std::string_view basename(std::string_view path) {
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// systemd escapes "-" (and other bytes) inside a unit name part as "\xHH".
std::string unescapeUnitPart(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            int high = hexDigitValue(text[i + 2]);
            int low = hexDigitValue(text[i + 3]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::optional<std::string> appIdFromUnit(std::string_view unit) {
    std::string_view body;
    if (unit.ends_with(".scope")) {
        body = unit.substr(0, unit.size() - 6);
        // Scopes always carry a random suffix after the last "-".
        auto dash = body.rfind('-');
        if (dash == std::string_view::npos) {
            return std::nullopt;
        }
        body = body.substr(0, dash);
    } else if (unit.ends_with(".service")) {
        body = unit.substr(0, unit.size() - 8);
        if (auto at = body.find('@'); at != std::string_view::npos) {
            body = body.substr(0, at);
        }
    } else {
        return std::nullopt;
    }
    if (!body.starts_with("app-")) {
        return std::nullopt;
    }
    body.remove_prefix(4);
    // What remains is "<launcher>-<AppID>" or "<AppID>"; dashes inside either
    // part are escaped, so a bare "-" separates them.
    if (auto dash = body.find('-'); dash != std::string_view::npos) {
        body.remove_prefix(dash + 1);
    }
    std::string id = unescapeUnitPart(body);
    if (id.empty()) {
        return std::nullopt;
    }
    for (const auto& [alias, canonical] : desktopAliases) {
        if (id == alias) {
            return std::string(canonical);
        }
    }
    return id;
}

// The desktop unit a process runs in, from its cgroup file.
struct DesktopUnit {
    std::string appId;
    std::string_view controllers; // "" for the unified hierarchy
    std::string_view path;
};

std::optional<DesktopUnit> desktopUnit(std::string_view cgroupText) {
    // Lines are "hierarchy:controllers:path"; the unified hierarchy ("0::")
    // and systemd's own ("name=systemd") both name the unit, the others do
    // not, so every line is tried.
    while (!cgroupText.empty()) {
        auto end = cgroupText.find('\n');
        std::string_view line = cgroupText.substr(0, end);
        cgroupText.remove_prefix(end == std::string_view::npos ? cgroupText.size() : end + 1);
        auto first = line.find(':');
        auto second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) {
            continue;
        }
        std::string_view path = line.substr(second + 1);
        if (auto id = appIdFromUnit(basename(path))) {
            return DesktopUnit{*id, line.substr(first + 1, second - first - 1), path};
        }
    }
    return std::nullopt;
}

enum class Multiplexer { none, tmux, unsupported };

// A terminal multiplexer's server outlives the terminal it was started from and
// keeps that terminal's unit, so it must be known by its executable before the
// unit is looked at. Only the tmux server is a terminal Quillo can drive; a
// screen or zellij server is no application at all, never the terminal whose
// unit it inherited.
Multiplexer multiplexerOf(const ProcFs& proc, const ProcStat& stat) {
    if (stat.comm == "tmux: server") {
        return Multiplexer::tmux;
    }
    if (stat.comm != "screen" && stat.comm != "zellij") {
        return Multiplexer::none;
    }
    // screen's server renames itself "SCREEN"; zellij's runs as
    // "zellij --server <socket>". Their clients are nobody's ancestors.
    std::vector<std::string> argv = proc.cmdline(stat.pid);
    if ((!argv.empty() && basename(argv.front()) == "SCREEN") ||
        std::find(argv.begin(), argv.end(), "--server") != argv.end()) {
        return Multiplexer::unsupported;
    }
    return Multiplexer::none;
}

} // namespace

std::optional<std::string> ProcApplicationIdentifier::appIdFromCgroup(std::string_view cgroupText) {
    if (auto unit = desktopUnit(cgroupText)) {
        return std::move(unit->appId);
    }
    return std::nullopt;
}

std::optional<std::string>
ProcApplicationIdentifier::appIdFromExecutableName(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    for (const auto& [executable, id] : executables) {
        if (executable == name || (name.size() == commLength && executable.starts_with(name))) {
            return std::string(id);
        }
    }
    return std::nullopt;
}

std::optional<std::string> ProcApplicationIdentifier::bundleIdentifier(std::int32_t pid) const {
    auto stat = proc_.stat(pid);
    if (!stat) {
        return std::nullopt;
    }
    switch (multiplexerOf(proc_, *stat)) {
    case Multiplexer::tmux:
        return "tmux";
    case Multiplexer::unsupported:
        return std::nullopt;
    case Multiplexer::none:
        break;
    }
    if (auto cgroup = proc_.readFile(pid, "cgroup")) {
        if (auto unit = desktopUnit(*cgroup)) {
            // A terminal may start each tab in a unit of its own named after
            // itself; the tab's shell is then the first process of a unit
            // too, but its parent is the terminal.
            if (isFirstOfUnit(*stat, *cgroup, unit->controllers, unit->path) &&
                identifyByExecutable(stat->ppid) != unit->appId) {
                return std::move(unit->appId);
            }
        }
    }
    return identifyByExecutable(pid);
}

bool ProcApplicationIdentifier::isFirstOfUnit(const ProcStat& stat, std::string_view cgroupText,
                                              std::string_view controllers,
                                              std::string_view path) const {
    auto members = proc_.cgroupMembers(controllers, path);
    if (!members) {
        // Without the cgroup tree, the best guess is a process whose parent
        // is outside the unit. Anything re-parented to the service manager
        // passes that test, which is why the tree is preferred.
        auto parentCgroup = proc_.readFile(stat.ppid, "cgroup");
        return !parentCgroup || *parentCgroup != cgroupText;
    }
    // The unit's first process is its main one: the earliest started. Start
    // times tick in hundredths of a second, so a process and the child it
    // started at once can tie; of those, the ancestor comes first.
    std::vector<ProcStat> earliest;
    for (std::int32_t member : *members) {
        auto memberStat = member == stat.pid ? std::optional<ProcStat>(stat) : proc_.stat(member);
        if (!memberStat) {
            continue;
        }
        if (earliest.empty() || memberStat->startTime < earliest.front().startTime) {
            earliest.assign(1, *memberStat);
        } else if (memberStat->startTime == earliest.front().startTime) {
            earliest.push_back(*memberStat);
        }
    }
    auto isTied = [&earliest](std::int32_t pid) {
        return std::any_of(earliest.begin(), earliest.end(),
                           [pid](const ProcStat& s) { return s.pid == pid; });
    };
    if (!isTied(stat.pid)) {
        return false;
    }
    return !isTied(stat.ppid);
}

std::optional<std::string> ProcApplicationIdentifier::identifyByExecutable(std::int32_t pid) const {
    if (auto exe = proc_.exe(pid)) {
        if (auto id = appIdFromExecutableName(basename(*exe))) {
            return id;
        }
    }
    auto stat = proc_.stat(pid);
    if (!stat) {
        return std::nullopt;
    }
    if (auto id = appIdFromExecutableName(stat->comm)) {
        return id;
    }
    auto argv = proc_.cmdline(pid);
    if (!argv.empty()) {
        if (auto id = appIdFromExecutableName(basename(argv.front()))) {
            return id;
        }
    }
    return std::nullopt;
}

} // namespace quillo
