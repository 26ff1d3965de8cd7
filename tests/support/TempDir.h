// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quillo::test {

// A private temporary folder, removed with everything in it at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A home folder for child processes and for in-process code: HOME and the XDG
// variables all point below it while it lives (the previous values come back).
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path appSupport() const { return path() / ".local/share/quillo"; }
    std::filesystem::path eventsFile() const { return appSupport() / "events.jsonl"; }

    // "NAME=value" entries for ChildProcess::Options::extraEnvironment.
    std::vector<std::string> environment() const;

private:
    TempDir dir_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& contents);
std::vector<std::string> splitLines(const std::string& text);
unsigned fileMode(const std::filesystem::path& path);
std::string testData(const std::string& name);

} // namespace quillo::test
