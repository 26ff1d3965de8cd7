// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <sys/types.h>

namespace quillo {

// One monitor per user: two monitors would split the events file between them
// and each show half the sessions. The lock is a write lock on `monitor.lock`
// in the application-support directory, held for the monitor's whole life; the
// kernel drops it when the process ends, however it ends, so a crash leaves
// nothing stale behind. The file also holds the holder's pid, for people.
// It is a record lock, which belongs to the process: keep one MonitorLock per
// file in a process, since closing any descriptor of the file drops it.
class MonitorLock {
public:
    enum class Outcome {
        acquired,      // this process holds the lock now
        heldElsewhere, // another process holds it; see holder()
        unavailable,   // the file cannot be opened or the file system has no locks
    };

    explicit MonitorLock(std::filesystem::path file = defaultFile());
    ~MonitorLock();
    MonitorLock(const MonitorLock&) = delete;
    MonitorLock& operator=(const MonitorLock&) = delete;

    static std::filesystem::path defaultFile();

    // Takes the lock without waiting. Creates the file (0600) when missing.
    Outcome acquire();

    // The process holding the lock, when another one does (as seen from this
    // process's pid namespace).
    std::optional<pid_t> holder() const;

    bool held() const { return held_; }

    // Lets the lock go, for example before starting a new instance of the
    // monitor that must take it over.
    void release();

private:
    std::filesystem::path file_;
    int fd_ = -1;
    bool held_ = false;
};

} // namespace quillo
