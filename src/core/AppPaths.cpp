// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppPaths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo::AppPaths {

namespace {

// XDG base directories must be absolute; a relative value is ignored.
std::filesystem::path xdgDirectory(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') {
        return std::filesystem::path(value);
    }
    return homeDirectory() / fallbackBelowHome;
}

} // namespace

std::filesystem::path homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') {
        return std::filesystem::path(home);
    }
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
        return std::filesystem::path(entry->pw_dir);
    }
    return std::filesystem::path("/");
}

std::filesystem::path appSupportDirectory() {
    return xdgDirectory("XDG_DATA_HOME", ".local/share") / "quillo";
}

std::filesystem::path eventsLogFile() {
    return appSupportDirectory() / "events.jsonl";
}

std::filesystem::path hookDebugLog() {
    return appSupportDirectory() / "hook.debug.log";
}

std::filesystem::path configDirectory() {
    return xdgDirectory("XDG_CONFIG_HOME", ".config") / "quillo";
}

std::filesystem::path stateDirectory() {
    return xdgDirectory("XDG_STATE_HOME", ".local/state") / "quillo";
}

bool ensurePrivateDirectory(const std::filesystem::path& directory) {
    // mkdir first: in the common case the directory exists and this is one
    // syscall, which matters to the recorder's start-up time.
    if (::mkdir(directory.c_str(), 0700) != 0) {
        if (errno == ENOENT) {
            // Parents get the usual permissions; only our own folder is private.
            std::error_code ec;
            std::filesystem::create_directories(directory.parent_path(), ec);
            if (ec || (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)) {
                return false;
            }
        } else if (errno != EEXIST) {
            return false;
        }
    }
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    if ((info.st_mode & 07777) != 0700 && ::chmod(directory.c_str(), 0700) != 0) {
        return false;
    }
    return true;
}

bool ensureAppSupportDirectory() {
    return ensurePrivateDirectory(appSupportDirectory());
}

} // namespace quillo::AppPaths
