// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemClaudeVersionSource.h"

#include "AppPaths.h"
#include "ChildProcess.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace quillo {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> findOnSearchPath(const std::string& searchPath, const std::string& name) {
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos) {
            end = searchPath.size();
        }
        // An empty entry means the current folder, which a program started
        // from the desktop has no reason to search.
        if (end > start) {
            fs::path candidate = fs::path(searchPath.substr(start, end - start)) / name;
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<ClaudeCodeVersion> packageVersion(const fs::path& packageFolder) {
    std::ifstream in(packageFolder / "package.json", std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object() || !json.contains("version") || !json["version"].is_string()) {
        return std::nullopt;
    }
    return ClaudeCodeVersion::parse(json["version"].get<std::string>());
}

// The npm package a program belongs to: …/@anthropic-ai/claude-code/bin/claude.exe
// (native builds), …/@anthropic-ai/claude-code/cli.js (older ones).
std::optional<fs::path> enclosingPackage(const fs::path& program) {
    fs::path folder = program.parent_path();
    for (int level = 0; level < 3 && !folder.empty(); ++level) {
        if (folder.filename() == "claude-code" &&
            folder.parent_path().filename() == "@anthropic-ai") {
            return folder;
        }
        if (folder == folder.parent_path()) {
            break;
        }
        folder = folder.parent_path();
    }
    return std::nullopt;
}

std::optional<ClaudeCodeVersion> versionOfProgram(const fs::path& program,
                                                  std::chrono::milliseconds timeLimit) {
    std::error_code ec;
    const fs::path real = fs::canonical(program, ec);
    if (!ec) {
        if (auto package = enclosingPackage(real)) {
            if (auto version = packageVersion(*package)) {
                return version;
            }
        }
        if (auto version = ClaudeCodeVersion::parse(real.filename().string())) {
            return version;
        }
    }
    auto result = ChildProcess::run({program.string(), "--version"}, {.timeLimit = timeLimit});
    if (!result.succeeded()) {
        return std::nullopt;
    }
    return ClaudeCodeVersion::find(result.standardOutput);
}

std::optional<ClaudeCodeVersion> nativeInstallVersion(const fs::path& home,
                                                      const fs::path& dataHome) {
    std::error_code ec;
    const fs::path launcher = fs::canonical(home / ".local/bin/claude", ec);
    if (!ec) {
        if (auto version = ClaudeCodeVersion::parse(launcher.filename().string())) {
            return version;
        }
    }
    std::optional<ClaudeCodeVersion> newest;
    for (const fs::path& folder :
         {dataHome / "claude/versions", home / ".local/share/claude/versions"}) {
        fs::directory_iterator it(folder, ec);
        if (ec) {
            continue;
        }
        for (const auto& entry : it) {
            auto version = ClaudeCodeVersion::parse(entry.path().filename().string());
            if (version && (!newest || *version > *newest)) {
                newest = version;
            }
        }
        if (newest) {
            return newest;
        }
    }
    return std::nullopt;
}

// The last line of `output` that is an absolute path: a profile may print
// greetings of its own before it.
std::optional<fs::path> lastAbsolutePath(const std::string& output) {
    std::optional<fs::path> found;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            end = output.size();
        }
        std::string line = output.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.starts_with('/')) {
            found = fs::path(line);
        }
        start = end + 1;
    }
    return found;
}

// What the user's login shell finds under `name`, as their terminal would.
std::optional<fs::path> fromLoginShell(const std::string& shell, const std::string& command,
                                       std::chrono::milliseconds timeLimit) {
    if (shell.empty()) {
        return std::nullopt;
    }
    auto result = ChildProcess::run({shell, "-lc", command}, {.timeLimit = timeLimit});
    if (!result.succeeded()) {
        return std::nullopt;
    }
    return lastAbsolutePath(result.standardOutput);
}

bool isProgram(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// The "prefix=" line of an .npmrc, with a leading "~/" or "${HOME}" expanded.
std::optional<fs::path> npmrcPrefix(const fs::path& npmrc, const fs::path& home) {
    std::ifstream in(npmrc);
    std::string line;
    std::optional<fs::path> prefix;
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 6, "prefix") != 0) {
            continue;
        }
        const auto equals = line.find('=', start);
        if (equals == std::string::npos || line.find_first_not_of(" \t", start + 6) != equals) {
            continue;
        }
        std::string value = line.substr(equals + 1);
        value.erase(0, value.find_first_not_of(" \t\""));
        while (!value.empty() && (value.back() == ' ' || value.back() == '\r' ||
                                  value.back() == '"' || value.back() == '\t')) {
            value.pop_back();
        }
        if (value.starts_with("~/")) {
            value = (home / value.substr(2)).string();
        } else if (value.starts_with("${HOME}")) {
            value = home.string() + value.substr(7);
        } else if (value.starts_with("$HOME")) {
            value = home.string() + value.substr(5);
        }
        if (!value.empty()) {
            prefix = fs::path(value);
        }
    }
    return prefix;
}

} // namespace

SystemClaudeVersionSource::SystemClaudeVersionSource()
    : SystemClaudeVersionSource(placesFromEnvironment()) {}

SystemClaudeVersionSource::SystemClaudeVersionSource(Places places) : places_(std::move(places)) {}

SystemClaudeVersionSource::Places SystemClaudeVersionSource::placesFromEnvironment() {
    Places places;
    if (const char* path = std::getenv("PATH")) {
        places.searchPath = path;
    }
    places.home = AppPaths::homeDirectory();
    if (const char* shell = std::getenv("SHELL"); shell && *shell == '/') {
        places.loginShell = shell;
    }
    places.askNpm = true;
    places.dataHome = AppPaths::appSupportDirectory().parent_path();
    if (const char* prefix = std::getenv("NPM_CONFIG_PREFIX"); prefix && *prefix) {
        places.npmPackageFolders.push_back(fs::path(prefix) / "lib/node_modules");
    }
    places.npmPackageFolders.push_back(places.home / ".npm-global/lib/node_modules");
    places.npmPackageFolders.push_back(places.home / ".local/lib/node_modules");
    places.npmPackageFolders.push_back("/usr/local/lib/node_modules");
    places.npmPackageFolders.push_back("/usr/lib/node_modules");
    return places;
}

std::optional<ClaudeCodeVersion> SystemClaudeVersionSource::installedVersion() const {
    if (auto program = findOnSearchPath(places_.searchPath, "claude")) {
        if (auto version = versionOfProgram(*program, places_.timeLimit)) {
            return version;
        }
    }
    if (auto program = fromLoginShell(places_.loginShell, "command -v claude", places_.timeLimit);
        program && isProgram(*program)) {
        if (auto version = versionOfProgram(*program, places_.timeLimit)) {
            return version;
        }
    }
    for (const fs::path& program :
         {places_.home / ".local/bin/claude", places_.home / ".claude/local/claude"}) {
        if (isProgram(program)) {
            if (auto version = versionOfProgram(program, places_.timeLimit)) {
                return version;
            }
        }
    }
    if (auto version = nativeInstallVersion(places_.home, places_.dataHome)) {
        return version;
    }
    std::vector<fs::path> folders;
    std::optional<fs::path> prefix;
    if (places_.askNpm) {
        prefix = fromLoginShell(places_.loginShell.empty() ? "/bin/sh" : places_.loginShell,
                                "npm config get prefix", places_.timeLimit);
    }
    if (!prefix) {
        prefix = npmrcPrefix(places_.home / ".npmrc", places_.home);
    }
    if (prefix) {
        folders.push_back(*prefix / "lib/node_modules");
    }
    folders.insert(folders.end(), places_.npmPackageFolders.begin(),
                   places_.npmPackageFolders.end());
    for (const fs::path& folder : folders) {
        if (auto version = packageVersion(folder / "@anthropic-ai/claude-code")) {
            return version;
        }
    }
    return std::nullopt;
}

} // namespace quillo
