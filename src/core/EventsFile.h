// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <sys/types.h>

namespace quillo::EventsFile {

// The events file is written by many short-lived recorders at once and consumed
// by the monitor, which moves it aside. Plain O_APPEND keeps concurrent lines
// from interleaving, but two windows remain where a line could vanish: a
// recorder that opened the file just before the monitor moved it aside and
// writes after the monitor has read the moved copy, and a trim that copies the
// tail while another recorder appends to the old file. An advisory lock closes
// both: appenders hold it shared around their single write and check that their
// descriptor still names the events file (else they reopen); the consumer and
// the trim hold it exclusively only for the moment they replace the file.
//
// An appender never waits on a file that has been moved aside: it notices the
// move while it waits and reopens. So whatever the consumer does with the moved
// copy, and however long, no recorder is held up by it.
//
// Where the file system cannot lock (some NFS and SMB mounts answer ENOLCK,
// EOPNOTSUPP or EBADF), everything goes on without the lock: a rare lost line
// beats a monitor that never consumes and a file that grows without bound.

// Appends `line` with one write, on a line of its own (a line feed goes first
// when the file ends inside a line), and never leaves part of it behind: a
// write that falls short (a full disk) is cut back off the file. Waits at
// most `lockWait` in all for a consumer or a trim to let go of the events file
// (both hold it for milliseconds), then writes without the lock rather than
// drop the line. Something that is not a regular file at `path` (a FIFO, a
// device) is refused at once: nothing is written and nothing blocks. A
// symbolic link is never followed (whatever it points at is not the events
// file): it is replaced by a regular file. A file without write permission is
// repaired to 0600 first. True when the whole line was written.
bool appendLine(const std::filesystem::path& path, std::string_view line,
                std::chrono::milliseconds lockWait = std::chrono::milliseconds(800));

enum class MoveResult { moved, noFile, busy, failed };

// Renames the events file to `destination` and leaves a fresh, empty events file
// (mode 0600) in its place, all under the exclusive lock, so that every line in
// the moved copy was complete before it moved and no appender writes to it
// afterwards. `busy`: the lock was not had within `lockWait`; try again later.
// `failed`: also when what sits at `path` is not a regular file (a symbolic
// link included: what will not be read is not moved either).
MoveResult moveAside(const std::filesystem::path& path, const std::filesystem::path& destination,
                     std::chrono::milliseconds lockWait = std::chrono::milliseconds(200));

// Keeps only the newest whole lines, at most `keepBytes` (plus what is appended
// while the trim runs): the kept part starts after the first line feed of the
// tail (all of the tail when it has none). The tail is copied without the lock;
// the lock is held only to add what was appended meanwhile and to rename.
void truncateTail(const std::filesystem::path& path, std::uintmax_t keepBytes);

// The recorder's size guard: trims to `keepBytes` when the file is larger than
// `limit` bytes. Only one trim runs at a time; the others skip theirs.
void trimIfLarger(const std::filesystem::path& path, std::uintmax_t limit,
                  std::uintmax_t keepBytes);

// The path of the trim's temporary file: the events file's name + ".truncate.tmp".
std::filesystem::path truncateTempPath(const std::filesystem::path& path);

enum class LockResult { locked, unsupported, busy };

// flock(`operation`) with a deadline. `unsupported` when the file system
// cannot lock at all; callers then go on without the lock.
LockResult lockWithin(int fd, int operation, std::chrono::milliseconds wait);

// Replaces a symbolic link at `path` by an empty regular file (mode 0600); its
// target stays as it was. True when this call replaced one.
bool replaceLink(const std::filesystem::path& path);

// Opens `path` without ever blocking (a FIFO would block until a reader or a
// writer appears) and only when it is a regular file; -1 otherwise, with errno
// EINVAL for a file of another kind and ELOOP for a symbolic link. A file whose
// permission bits forbid the access is chmod-ed to 0600 by path and opened
// again.
int openRegular(const std::filesystem::path& path, int flags);

// Tests only: replaces write(2) for the appends, to play a full disk.
// nullptr restores the real one.
void setWriteFunctionForTesting(ssize_t (*write)(int fd, const void* data, std::size_t size));

// Tests only: replaces flock, to play a file system that cannot lock.
// nullptr restores the real one.
void setLockFunctionForTesting(int (*lock)(int fd, int operation));

} // namespace quillo::EventsFile
