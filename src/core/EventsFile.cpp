// SPDX-License-Identifier: GPL-3.0-or-later
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

int (*lockFunction)(int, int) = ::flock;

constexpr std::chrono::milliseconds trimLockWait{500};
constexpr std::chrono::milliseconds linkLockWait{200};

enum class Wait { locked, unsupported, moved, timedOut };

bool lockUnsupported(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == EBADF || error == EINVAL ||
           error == ENOSYS;
}

// True when `fd` is still the file at `path` (not moved aside, not replaced).
bool namesPath(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat current {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &current) == 0 &&
           opened.st_dev == current.st_dev && opened.st_ino == current.st_ino;
}

// Locks `fd`, giving up as soon as it no longer names `path` (when `path` is
// given): a moved file needs no lock, its replacement is opened instead. The
// uncontended case is one system call.
Wait lockUnlessMoved(int fd, int operation, const std::filesystem::path* path,
                     std::chrono::steady_clock::time_point deadline) {
    useconds_t pause = 50;
    while (true) {
        if (lockFunction(fd, operation | LOCK_NB) == 0) {
            return Wait::locked;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return lockUnsupported(errno) ? Wait::unsupported : Wait::timedOut;
        }
        if (path && !namesPath(fd, *path)) {
            return Wait::moved;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return Wait::timedOut;
        }
        ::usleep(pause);
        pause = std::min<useconds_t>(pause * 2, 5000);
    }
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

// Copies bytes [from, to) of `in` to the end of `out`.
bool copyRange(int in, int out, off_t from, off_t to) {
    std::string buffer(1 << 20, '\0');
    while (from < to) {
        auto n = static_cast<std::size_t>(std::min<off_t>(to - from, off_t(buffer.size())));
        if (!readExactly(in, buffer.data(), n, from) ||
            !writeAll(out, std::string_view(buffer.data(), n))) {
            return false;
        }
        from += static_cast<off_t>(n);
    }
    return true;
}

void createFresh(const std::filesystem::path& path) {
    // Never O_TRUNC: a recorder may already have created the new file and
    // written to it.
    FileDescriptor fresh(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fresh.valid()) {
        ::fchmod(fresh.get(), 0600);
    }
}

// Trims when the file is larger than `threshold`. The 10 MiB tail is read and
// written out without the lock, so appenders are never held up for that; under
// the lock only what they appended meanwhile is added before the rename.
void trim(const std::filesystem::path& path, std::uintmax_t threshold, std::uintmax_t keepBytes) {
    // Read-write: NFS grants exclusive locks only on descriptors open for writing.
    FileDescriptor fd(openRegular(path, O_RDWR));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
        return;
    }
    const off_t size = info.st_size;
    if (size < 0 || static_cast<std::uintmax_t>(size) <= threshold ||
        static_cast<std::uintmax_t>(size) <= keepBytes) {
        return;
    }

    // The temporary file's own lock makes one trim at a time; the others go on
    // appending, and their lines are carried over by the one that trims.
    const auto temp = truncateTempPath(path);
    FileDescriptor out(
        ::open(temp.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat outInfo {};
    if (!out.valid() || ::fstat(out.get(), &outInfo) != 0 || !S_ISREG(outInfo.st_mode)) {
        return;
    }
    auto outLock = lockUnlessMoved(out.get(), LOCK_EX, nullptr, {});
    // A trim that finished between our open and our lock renamed this very file
    // over the events file: it must not be emptied.
    if (outLock == Wait::timedOut || !namesPath(out.get(), temp) ||
        ::ftruncate(out.get(), 0) != 0) {
        return;
    }
    auto abandon = [&] { ::unlink(temp.c_str()); };

    std::string tail(static_cast<std::size_t>(keepBytes), '\0');
    const off_t tailStart = size - static_cast<off_t>(keepBytes);
    if (!readExactly(fd.get(), tail.data(), tail.size(), tailStart)) {
        return abandon();
    }
    std::string_view kept = tail;
    if (auto newline = kept.find('\n'); newline != std::string_view::npos) {
        kept.remove_prefix(newline + 1);
    }
    if (!writeAll(out.get(), kept)) {
        return abandon();
    }
    tail = std::string();

    auto deadline = std::chrono::steady_clock::now() + trimLockWait;
    auto locked = lockUnlessMoved(fd.get(), LOCK_EX, &path, deadline);
    // Moved: the consumer took the file, which now needs no trim.
    if (locked == Wait::moved || locked == Wait::timedOut || !namesPath(fd.get(), path) ||
        ::fstat(fd.get(), &info) != 0) {
        return abandon();
    }
    if (info.st_size > size && !copyRange(fd.get(), out.get(), size, info.st_size)) {
        return abandon();
    }
    if (::fchmod(out.get(), 0600) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        return abandon();
    }
    ::chmod(path.c_str(), 0600);
    // The lock on the old file is released when `fd` closes; appenders waiting
    // on it find that it no longer names the events file and reopen.
}

} // namespace

void setLockFunctionForTesting(int (*lock)(int, int)) {
    lockFunction = lock ? lock : ::flock;
}

std::filesystem::path truncateTempPath(const std::filesystem::path& path) {
    return std::filesystem::path(path.string() + ".truncate.tmp");
}

int openRegular(const std::filesystem::path& path, int flags) {
    flags |= O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0 && errno == EACCES) {
        // A file made read-only (0444, or by a tool that copied it) would
        // otherwise lose every line from now on. Repair by path, as the
        // descriptor that could repair it cannot be had.
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::chmod(path.c_str(), 0600) == 0) {
            fd = ::open(path.c_str(), flags, 0600);
        } else {
            errno = EACCES;
        }
    }
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Blocking again for the reads and writes that follow (harmless on a
    // regular file, but keeps the descriptor ordinary).
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool replaceLink(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return false;
    }
    // Two processes that both found the link must not both replace it: the
    // second would remove the first one's new file with the lines in it. The
    // directory's lock makes it one at a time, and the link is checked again
    // under it.
    auto directory = path.parent_path();
    FileDescriptor lock(
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!lock.valid() || lockWithin(lock.get(), LOCK_EX, linkLockWait) == LockResult::busy) {
        return false;
    }
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode) ||
        ::unlink(path.c_str()) != 0) {
        return false;
    }
    createFresh(path);
    return true;
}

LockResult lockWithin(int fd, int operation, std::chrono::milliseconds wait) {
    switch (lockUnlessMoved(fd, operation, nullptr, std::chrono::steady_clock::now() + wait)) {
    case Wait::locked:
        return LockResult::locked;
    case Wait::unsupported:
        return LockResult::unsupported;
    case Wait::moved:
    case Wait::timedOut:
        break;
    }
    return LockResult::busy;
}

namespace {

ssize_t (*writeFunction)(int, const void*, std::size_t) = ::write;

constexpr std::chrono::milliseconds cutBackLockWait{200};

// True when the file has something in it and does not end with a line feed:
// a line cut short (by a full disk, a killed writer, another program).
bool endsInsideALine(int fd) {
    struct stat info {};
    char last = '\n';
    return ::fstat(fd, &info) == 0 && info.st_size > 0 &&
           ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
}

// Takes back the `written` bytes of a write that fell short, so that no
// fragment stays behind for the next line to be glued onto. Only while they
// are still the end of the events file: a line that another appender added
// meanwhile is complete and stays, and a file the consumer took already is its
// to read (a fragment is just an invalid line there).
void cutBack(int fd, const std::filesystem::path& path, off_t written) {
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    if (end < written) {
        return;
    }
    auto locked =
        lockUnlessMoved(fd, LOCK_EX, &path, std::chrono::steady_clock::now() + cutBackLockWait);
    if (locked == Wait::moved || locked == Wait::timedOut || !namesPath(fd, path)) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size == end) {
        int ignored = ::ftruncate(fd, end - written);
        (void)ignored;
    }
}

// One write of the whole line, started on a line of its own. Whole or not at all.
bool writeWholeLine(int fd, const std::filesystem::path& path, std::string_view line) {
    std::string separated;
    if (endsInsideALine(fd)) {
        separated.reserve(line.size() + 1);
        separated.push_back('\n');
        separated.append(line);
        line = separated;
    }
    ssize_t written = writeFunction(fd, line.data(), line.size());
    if (written == static_cast<ssize_t>(line.size())) {
        return true;
    }
    if (written > 0) {
        cutBack(fd, path, static_cast<off_t>(written));
    }
    return false;
}

} // namespace

void setWriteFunctionForTesting(ssize_t (*write)(int fd, const void* data, std::size_t size)) {
    writeFunction = write ? write : ::write;
}

bool appendLine(const std::filesystem::path& path, std::string_view line,
                std::chrono::milliseconds lockWait) {
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    // Each retry means the file was replaced between our open and our lock; a
    // handful is far more than a real consumer can cause.
    constexpr int attempts = 32;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // Read-write: the last byte is looked at before appending.
        FileDescriptor fd(openRegular(path, O_RDWR | O_APPEND | O_CREAT));
        if (!fd.valid()) {
            // A link is not followed but replaced; one that keeps coming
            // back gets nothing.
            if (errno == ELOOP && attempt < 2) {
                replaceLink(path);
                continue;
            }
            return false;
        }
        auto locked = lockUnlessMoved(fd.get(), LOCK_SH, &path, deadline);
        if (locked == Wait::moved) {
            continue;
        }
        // Locked: nobody can move the file until we have written. Otherwise
        // (no locking here, or a holder that does not let go in time) it is
        // checked once more, and a line is never written blind into a copy
        // that may have been read already: it goes to the current file.
        if (!namesPath(fd.get(), path)) {
            continue;
        }
        ::fchmod(fd.get(), 0600);
        return writeWholeLine(fd.get(), path, line);
    }
    return false;
}

MoveResult moveAside(const std::filesystem::path& path, const std::filesystem::path& destination,
                     std::chrono::milliseconds lockWait) {
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    constexpr int attempts = 8;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // Read-write: NFS grants exclusive locks only on descriptors open for writing.
        FileDescriptor fd(openRegular(path, O_RDWR));
        if (!fd.valid()) {
            if (errno != ENOENT) {
                return MoveResult::failed;
            }
            createFresh(path);
            return MoveResult::noFile;
        }
        auto locked = lockUnlessMoved(fd.get(), LOCK_EX, &path, deadline);
        if (locked == Wait::timedOut) {
            return MoveResult::busy;
        }
        if (locked == Wait::moved || !namesPath(fd.get(), path)) {
            continue; // a trim replaced it meanwhile; lock the new one
        }
        if (::rename(path.c_str(), destination.c_str()) != 0) {
            return MoveResult::failed;
        }
        createFresh(path);
        return MoveResult::moved;
    }
    return MoveResult::busy;
}

void truncateTail(const std::filesystem::path& path, std::uintmax_t keepBytes) {
    trim(path, keepBytes, keepBytes);
}

void trimIfLarger(const std::filesystem::path& path, std::uintmax_t limit,
                  std::uintmax_t keepBytes) {
    trim(path, limit, keepBytes);
}

} // namespace quillo::EventsFile
