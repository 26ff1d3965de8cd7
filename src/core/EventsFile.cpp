#include "EventsFile.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillo::EventsFile {

namespace {

constexpr std::chrono::milliseconds trimLockWait{5000};

// flock with a deadline: the uncontended case is one system call; contention
// means a consumer or a trim holds the file for a moment.
bool lockWithin(int fd, int operation, std::chrono::milliseconds wait) {
    if (::flock(fd, operation | LOCK_NB) == 0) {
        return true;
    }
    auto deadline = std::chrono::steady_clock::now() + wait;
    useconds_t pause = 50;
    while (true) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::usleep(pause);
        pause = std::min<useconds_t>(pause * 2, 5000);
        if (::flock(fd, operation | LOCK_NB) == 0) {
            return true;
        }
    }
}

// True when `fd` is still the file at `path` (not moved aside, not replaced).
bool namesPath(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat current {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &current) == 0 &&
           opened.st_dev == current.st_dev && opened.st_ino == current.st_ino;
}

bool readExactly(int fd, char* buffer, std::size_t size, off_t offset) {
    while (size > 0) {
        ssize_t n = ::pread(fd, buffer, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        buffer += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Trims under the exclusive lock when the file is larger than `threshold`.
void trimLocked(const std::filesystem::path& path, std::uintmax_t threshold,
                std::uintmax_t keepBytes) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid() || !lockWithin(fd.get(), LOCK_EX, trimLockWait)) {
        return;
    }
    // Another trim or the consumer replaced the file while we waited: what we
    // hold is no longer the events file, and the new one is checked next time.
    if (!namesPath(fd.get(), path)) {
        return;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || info.st_size < 0) {
        return;
    }
    auto size = static_cast<std::uintmax_t>(info.st_size);
    if (size <= threshold || size <= keepBytes) {
        return;
    }

    std::string tail(static_cast<std::size_t>(keepBytes), '\0');
    if (!readExactly(fd.get(), tail.data(), tail.size(), static_cast<off_t>(size - keepBytes))) {
        return;
    }
    std::string_view kept = tail;
    if (auto newline = kept.find('\n'); newline != std::string_view::npos) {
        kept.remove_prefix(newline + 1);
    }

    auto temp = truncateTempPath(path);
    FileDescriptor out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out.valid()) {
        return;
    }
    if (!writeAll(out.get(), kept) || ::fchmod(out.get(), 0600) != 0) {
        ::unlink(temp.c_str());
        return;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return;
    }
    ::chmod(path.c_str(), 0600);
    // The lock on the old file is released when `fd` closes; appenders waiting
    // on it find that it no longer names the events file and reopen.
}

} // namespace

std::filesystem::path truncateTempPath(const std::filesystem::path& path) {
    return std::filesystem::path(path.string() + ".truncate.tmp");
}

bool appendLine(const std::filesystem::path& path, std::string_view line,
                std::chrono::milliseconds lockWait) {
    // Each retry means the file was replaced between our open and our lock; a
    // handful is far more than a real consumer can cause.
    constexpr int attempts = 32;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            return false;
        }
        bool locked = lockWithin(fd.get(), LOCK_SH, lockWait);
        if (locked && !namesPath(fd.get(), path) && attempt + 1 < attempts) {
            continue;
        }
        ::fchmod(fd.get(), 0600);
        ssize_t written = ::write(fd.get(), line.data(), line.size());
        return written == static_cast<ssize_t>(line.size());
    }
    return false;
}

MoveResult moveAside(const std::filesystem::path& path, const std::filesystem::path& destination,
                     std::chrono::milliseconds lockWait) {
    constexpr int attempts = 8;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.valid()) {
            if (errno != ENOENT) {
                return MoveResult::failed;
            }
            FileDescriptor fresh(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
            if (fresh.valid()) {
                ::fchmod(fresh.get(), 0600);
            }
            return MoveResult::noFile;
        }
        if (!lockWithin(fd.get(), LOCK_EX, lockWait)) {
            return MoveResult::busy;
        }
        if (!namesPath(fd.get(), path)) {
            continue; // a trim replaced it meanwhile; lock the new one
        }
        if (::rename(path.c_str(), destination.c_str()) != 0) {
            return MoveResult::failed;
        }
        // Never O_TRUNC: a recorder may already have created the new file and
        // written to it.
        FileDescriptor fresh(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        if (fresh.valid()) {
            ::fchmod(fresh.get(), 0600);
        }
        return MoveResult::moved;
    }
    return MoveResult::busy;
}

void truncateTail(const std::filesystem::path& path, std::uintmax_t keepBytes) {
    trimLocked(path, keepBytes, keepBytes);
}

void trimIfLarger(const std::filesystem::path& path, std::uintmax_t limit,
                  std::uintmax_t keepBytes) {
    trimLocked(path, limit, keepBytes);
}

} // namespace quillo::EventsFile
