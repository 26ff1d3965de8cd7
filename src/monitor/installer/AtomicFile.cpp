// SPDX-License-Identifier: GPL-3.0-or-later
#include "AtomicFile.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo::AtomicFile {

namespace {

Error describe(const std::filesystem::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
    auto folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

struct Ownership {
    mode_t mode;
    std::optional<std::pair<uid_t, gid_t>> owner; // absent: whoever creates it
};

// Writes `bytes` to a fresh temporary file next to `target` and renames it over
// `target`. rename() replaces a link at `target` itself rather than following
// it, which is what callers rely on after resolving links themselves. With
// `keepExisting`, the file is linked in under `target` instead, which fails
// (EEXIST) when anything is there already.
// `stillCurrent`, when given, is asked right before the new file takes its
// place; false leaves everything as it was and sets `*changed`.
std::optional<Error> replace(const std::filesystem::path& target, std::string_view bytes,
                             const Ownership& ownership, bool keepExisting = false,
                             const std::function<bool()>& stillCurrent = {},
                             bool* changed = nullptr) {
    const auto folder = folderOf(target);
    std::string temporary =
        (folder / ("." + target.filename().string() + ".quillo-tmp-XXXXXX")).string();
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // created with mode 0600
    if (fd < 0) {
        return describe(folder, errno);
    }
    auto fail = [&](int error) -> std::optional<Error> {
        ::close(fd);
        ::unlink(temporary.c_str());
        return describe(target, error);
    };
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        return fail(errno);
    }
    if (ownership.owner &&
        (ownership.owner->first != ::geteuid() || ownership.owner->second != ::getegid())) {
        // Only possible with privileges (say, run through sudo); without them the
        // file simply becomes ours, as any editor would leave it, so a refusal
        // is no failure.
        if (::fchown(fd, ownership.owner->first, ownership.owner->second) != 0) {
            errno = 0;
        }
    }
    // After the chown, which clears set-id bits; the mode never gains bits the
    // old file did not have.
    if (::fchmod(fd, ownership.mode) != 0) {
        return fail(errno);
    }
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return describe(target, error);
    }
    if (stillCurrent && !stillCurrent()) {
        ::unlink(temporary.c_str());
        if (changed != nullptr) {
            *changed = true;
        }
        return describe(target, EAGAIN);
    }
    if (keepExisting) {
        int linked = ::link(temporary.c_str(), target.c_str());
        int error = errno;
        ::unlink(temporary.c_str());
        if (linked != 0) {
            if (error == EEXIST && changed != nullptr) {
                *changed = true;
            }
            return describe(target, error);
        }
    } else if (::rename(temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        ::unlink(temporary.c_str());
        return describe(target, error);
    }
    // Make the rename itself durable; a failure here loses nothing already
    // visible, so it is not reported.
    if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

std::optional<std::string> readRegular(const std::filesystem::path& path, struct stat& info,
                                       Error* error) {
    auto report = [&](int code) -> std::optional<std::string> {
        if (error) {
            *error = describe(path, code);
        }
        return std::nullopt;
    };
    // O_NONBLOCK: opening a FIFO must not hang; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return report(errno);
    }
    if (::fstat(fd, &info) != 0) {
        int code = errno;
        ::close(fd);
        return report(code);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return report(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    if (static_cast<std::size_t>(info.st_size) > maxFileSize) {
        ::close(fd);
        return report(EFBIG);
    }
    // A regular file within the size limit; one that grows past it meanwhile is
    // refused after the read.
    auto content = readToEnd(fd, static_cast<std::size_t>(info.st_size));
    int code = errno;
    ::close(fd);
    if (!content) {
        return report(code);
    }
    if (content->size() > maxFileSize) {
        return report(EFBIG);
    }
    return content;
}

} // namespace

std::filesystem::path resolveSymlinks(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current;
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1,
                           '\0');
        ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            return current;
        }
        target.resize(static_cast<std::size_t>(length));
        std::filesystem::path next(target);
        current = next.is_absolute() ? next : folderOf(current) / next;
    }
    return current;
}

std::optional<std::string> read(const std::filesystem::path& path, Error* error) {
    struct stat info {};
    return readRegular(path, info, error);
}

std::optional<Error> write(const std::filesystem::path& path, std::string_view bytes,
                           mode_t newFileMode) {
    const auto target = resolveSymlinks(path);
    Ownership ownership{newFileMode & 0777, std::nullopt};
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            return describe(target, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        }
        // A file its owner made read-only is a request not to change it; the
        // rename would get past the mode bits, so honour them here.
        if ((info.st_mode & S_IWUSR) == 0) {
            return describe(target, EACCES);
        }
        ownership = {static_cast<mode_t>(info.st_mode & 0777),
                     std::make_pair(info.st_uid, info.st_gid)};
    } else if (errno != ENOENT) {
        return describe(target, errno);
    }
    return replace(target, bytes, ownership);
}

WriteResult writeIfUnchanged(const std::filesystem::path& path, std::string_view bytes,
                             std::optional<std::string_view> expected, mode_t newFileMode) {
    const auto target = resolveSymlinks(path);
    auto failed = [](Error error) { return WriteResult{Outcome::failed, std::move(error)}; };
    auto holdsExpected = [&] {
        struct stat now {};
        if (!expected) {
            return ::lstat(target.c_str(), &now) != 0 && (errno == ENOENT || errno == ENOTDIR);
        }
        Error ignored;
        auto current = readRegular(target, now, &ignored);
        return current && *current == *expected;
    };
    if (!holdsExpected()) {
        return {Outcome::changed, {}};
    }
    Ownership ownership{newFileMode & 0777, std::nullopt};
    if (expected) {
        struct stat info {};
        if (::stat(target.c_str(), &info) != 0) {
            return failed(describe(target, errno));
        }
        if ((info.st_mode & S_IWUSR) == 0) {
            return failed(describe(target, EACCES)); // see write()
        }
        ownership = {static_cast<mode_t>(info.st_mode & 0777),
                     std::make_pair(info.st_uid, info.st_gid)};
    }
    bool changed = false;
    // A new file is linked in, which fails when one appeared meanwhile; an
    // existing one is compared again right before the rename.
    auto error = expected ? replace(target, bytes, ownership, false, holdsExpected, &changed)
                          : replace(target, bytes, ownership, true, {}, &changed);
    if (changed) {
        return {Outcome::changed, {}};
    }
    if (error) {
        return failed(std::move(*error));
    }
    return {Outcome::written, {}};
}

std::optional<Error> copy(const std::filesystem::path& source,
                          const std::filesystem::path& destination, Existing existing) {
    struct stat info {};
    Error error;
    auto content = readRegular(source, info, &error);
    if (!content) {
        return error;
    }
    return replace(destination, *content, {static_cast<mode_t>(info.st_mode & 0777), std::nullopt},
                   existing == Existing::keep);
}

} // namespace quillo::AtomicFile
