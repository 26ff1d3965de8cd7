#include "ProcApplicationIdentifier.h"

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

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// systemd escapes "-" (and other bytes) inside a unit name part as "\xHH".
std::string unescapeUnitPart(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            int high = hexDigit(text[i + 2]);
            int low = hexDigit(text[i + 3]);
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

} // namespace

std::optional<std::string> ProcApplicationIdentifier::appIdFromCgroup(std::string_view cgroupText) {
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
            return id;
        }
    }
    return std::nullopt;
}

std::optional<std::string>
ProcApplicationIdentifier::appIdFromExecutableName(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    for (const auto& [executable, id] : executables) {
        if (executable == name ||
            (name.size() == commLength && executable.starts_with(name))) {
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
    if (auto cgroup = proc_.readFile(pid, "cgroup")) {
        if (auto id = appIdFromCgroup(*cgroup)) {
            auto parentCgroup = proc_.readFile(stat->ppid, "cgroup");
            if (!parentCgroup || *parentCgroup != *cgroup) {
                return id;
            }
        }
    }
    if (auto exe = proc_.exe(pid)) {
        if (auto id = appIdFromExecutableName(basename(*exe))) {
            return id;
        }
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
