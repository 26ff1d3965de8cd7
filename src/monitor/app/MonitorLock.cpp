// SPDX-License-Identifier: GPL-3.0-or-later
#include "MonitorLock.h"

#include "AppPaths.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace quillo {

namespace {

// A write lock on the whole file. Record locks (rather than flock) let another
// process ask the kernel who holds them, so the pid in a refusal is always
// right, even while the holder has not written it into the file yet.
struct flock wholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

} // namespace

MonitorLock::MonitorLock(std::filesystem::path file) : file_(std::move(file)) {}

MonitorLock::~MonitorLock() {
    release();
}

std::filesystem::path MonitorLock::defaultFile() {
    return AppPaths::appSupportDirectory() / "monitor.lock";
}

MonitorLock::Outcome MonitorLock::acquire() {
    if (held_) {
        return Outcome::acquired;
    }
    if (fd_ < 0) {
        fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            return Outcome::unavailable;
        }
    }
    struct flock lock = wholeFile(F_WRLCK);
    if (::fcntl(fd_, F_SETLK, &lock) != 0) {
        return errno == EACCES || errno == EAGAIN ? Outcome::heldElsewhere : Outcome::unavailable;
    }
    held_ = true;
    std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0) {
        (void)!::pwrite(fd_, pid.data(), pid.size(), 0);
    }
    return Outcome::acquired;
}

std::optional<pid_t> MonitorLock::holder() const {
    if (held_) {
        return ::getpid();
    }
    int fd = fd_;
    if (fd < 0) {
        return std::nullopt;
    }
    struct flock lock = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_GETLK, &lock) != 0 || lock.l_type == F_UNLCK || lock.l_pid <= 0) {
        return std::nullopt;
    }
    return lock.l_pid;
}

void MonitorLock::release() {
    if (fd_ < 0) {
        return;
    }
    if (held_) {
        // Cleared first, so that a reader never takes a stale pid for a holder.
        (void)!::ftruncate(fd_, 0);
    }
    // Closing the descriptor drops the lock.
    ::close(fd_);
    fd_ = -1;
    held_ = false;
}

} // namespace quillo
