// SPDX-License-Identifier: GPL-3.0-or-later
#include "KnownHosts.h"

#include "AppPaths.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/stat.h>

namespace quillo {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct Line {
    std::string fingerprint;
    std::string key;
};

std::vector<Line> readLines(const std::filesystem::path& file) {
    std::vector<Line> lines;
    std::ifstream input(file);
    std::string text;
    while (std::getline(input, text)) {
        auto space = text.find(' ');
        if (space == std::string::npos || space == 0 || space + 1 >= text.size()) {
            continue; // not ours; kept out rather than guessed at
        }
        lines.push_back({lower(text.substr(0, space)), text.substr(space + 1)});
    }
    return lines;
}

bool writeLines(const std::filesystem::path& file, const std::vector<Line>& lines) {
    AppPaths::ensurePrivateDirectory(file.parent_path());
    const auto temporary = file.string() + ".new";
    {
        std::ofstream output(temporary, std::ios::trunc);
        if (!output) {
            return false;
        }
        for (const auto& line : lines) {
            output << line.fingerprint << ' ' << line.key << '\n';
        }
        if (!output.flush()) {
            return false;
        }
    }
    ::chmod(temporary.c_str(), 0600);
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    return !error;
}

} // namespace

KnownHosts::KnownHosts(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path KnownHosts::standardFile() {
    return AppPaths::appSupportDirectory().parent_path() / "quillo-peer" / "known-hosts";
}

std::string KnownHosts::keyForName(const std::string& serviceName) {
    return "name:" + serviceName;
}

std::string KnownHosts::keyForAddress(const std::string& host, std::uint16_t port) {
    return "address:" + host + ":" + std::to_string(port);
}

std::optional<std::string> KnownHosts::fingerprint(const std::string& key) const {
    for (const auto& line : readLines(file_)) {
        if (line.key == key) {
            return line.fingerprint;
        }
    }
    return std::nullopt;
}

bool KnownHosts::remember(const std::string& key, const std::string& fingerprint) {
    if (key.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    auto lines = readLines(file_);
    std::erase_if(lines, [&](const Line& line) { return line.key == key; });
    lines.push_back({lower(fingerprint), key});
    return writeLines(file_, lines);
}

bool KnownHosts::forget(const std::string& key) {
    auto lines = readLines(file_);
    if (std::erase_if(lines, [&](const Line& line) { return line.key == key; }) == 0) {
        return false;
    }
    return writeLines(file_, lines);
}

HostVerdict verifyHost(const std::optional<std::string>& pin, KnownHosts& known,
                       const std::string& key, const std::string& fingerprint) {
    const std::string presented = lower(fingerprint);
    if (presented.empty()) {
        return {false, "refused " + key + ": it presented no certificate; nothing was sent"};
    }
    if (pin) {
        if (lower(*pin) == presented) {
            return {true, {}};
        }
        return {false, "refused " + key + ": its certificate fingerprint " + presented +
                           " does not match the pin " + lower(*pin) + "; nothing was sent"};
    }
    auto remembered = known.fingerprint(key);
    if (!remembered) {
        std::string message = "first contact with " + key + "; remembering its certificate " +
                              "fingerprint " + presented + " in " + known.file().string();
        if (!known.remember(key, presented)) {
            message += " (could not write the file)";
        }
        return {true, message};
    }
    if (*remembered == presented) {
        return {true, {}};
    }
    return {false, "WARNING: the certificate of " + key + " has CHANGED (remembered " +
                       *remembered + ", presented " + presented +
                       "). Another machine may be posing as it; nothing was sent. If the "
                       "computer's identity was renewed on purpose, forget the old one with: "
                       "QuilloPeer --forget '" +
                       key + "' (or remove its line from " + known.file().string() + ")"};
}

} // namespace quillo
