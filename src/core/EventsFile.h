#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace quillo::EventsFile {

// The events file is written by many short-lived recorders at once and consumed
// by the monitor, which moves it aside. Plain O_APPEND keeps concurrent lines
// from interleaving, but two windows remain where a line could vanish: a
// recorder that opened the file just before the monitor moved it aside and
// writes after the monitor has read the moved copy, and a trim that copies the
// tail while another recorder appends to the old file. An advisory lock closes
// both: appenders hold it shared around their single write and then check that
// their descriptor still names the events file (else they reopen); the consumer
// and the trim hold it exclusively while they replace the file.

// Appends `line` with one write. Waits at most `lockWait` for a consumer or a
// trim to finish (a trim of a 100 MiB file on a loaded machine takes seconds),
// then writes without the lock rather than drop the line.
bool appendLine(const std::filesystem::path& path, std::string_view line,
                std::chrono::milliseconds lockWait = std::chrono::milliseconds(10000));

enum class MoveResult { moved, noFile, busy, failed };

// Renames the events file to `destination` and leaves a fresh, empty events file
// (mode 0600) in its place, all under the exclusive lock, so that every line in
// the moved copy was complete before it moved and no appender writes to it
// afterwards. `busy`: the lock was not had within `lockWait`; try again later.
MoveResult moveAside(const std::filesystem::path& path, const std::filesystem::path& destination,
                     std::chrono::milliseconds lockWait = std::chrono::milliseconds(200));

// Keeps only the newest whole lines, at most `keepBytes`: the kept part starts
// after the first line feed of the tail (all of the tail when it has none).
// Lines appended while the trim runs wait for it and land in the new file.
void truncateTail(const std::filesystem::path& path, std::uintmax_t keepBytes);

// The recorder's size guard: trims to `keepBytes` when the file, checked again
// under the lock, is larger than `limit` bytes.
void trimIfLarger(const std::filesystem::path& path, std::uintmax_t limit,
                  std::uintmax_t keepBytes);

// The path of the trim's temporary file: the events file's name + ".truncate.tmp".
std::filesystem::path truncateTempPath(const std::filesystem::path& path);

} // namespace quillo::EventsFile
