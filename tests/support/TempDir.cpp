// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace quillo::test {

namespace {
constexpr const char* homeVariables[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                         "XDG_STATE_HOME", "XDG_CACHE_HOME"};
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; open them up before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
    }
    std::filesystem::remove_all(path_, ec);
}

TempHome::TempHome() {
    for (const char* name : homeVariables) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::string(old) : std::string("\x01unset"));
    }
    ::setenv("HOME", path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (path() / ".local/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (path() / ".config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (path() / ".local/state").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (path() / ".cache").c_str(), 1);
}

TempHome::~TempHome() {
    for (const auto& [name, value] : saved_) {
        if (value == "\x01unset") {
            ::unsetenv(name.c_str());
        } else {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
}

std::vector<std::string> TempHome::environment() const {
    std::vector<std::string> env;
    for (const char* name : homeVariables) {
        env.push_back(std::string(name) + "=" + std::getenv(name));
    }
    return env;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

unsigned fileMode(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return 0;
    }
    return info.st_mode & 07777;
}

std::string testData(const std::string& name) {
    return readFile(std::filesystem::path(QUILLO_TEST_DATA_DIR) / name);
}

} // namespace quillo::test
