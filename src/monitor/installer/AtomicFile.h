// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillo::AtomicFile {

// Reading and replacing a file that belongs to the user (the Claude Code
// settings file) without ever leaving it half-written: a reader sees either the
// old bytes or the new ones. A symbolic link stays a link (the file it points to
// is replaced), and the replaced file keeps its permission bits and owner. A
// file without its owner's write bit is not replaced.
//
// Failures come back as a readable description ("path: reason").

using Error = std::string;

// Files larger than this are refused, so a stray multi-gigabyte file cannot
// exhaust memory; a real settings file is a few kilobytes.
inline constexpr std::size_t maxFileSize = 64 * 1024 * 1024;

// The file that a write to `path` lands on: symbolic links followed, relative
// ones against their own folder, to a final name that may not exist yet. Gives
// up after 40 links (a loop) and returns the last name reached.
std::filesystem::path resolveSymlinks(const std::filesystem::path& path);

// The whole content of a regular file (links followed). Absent when it is
// missing, not a regular file (a folder, a FIFO: never blocks), unreadable or
// larger than maxFileSize.
std::optional<std::string> read(const std::filesystem::path& path, Error* error = nullptr);

// Replaces the file at `path` (links followed) with `bytes`: a temporary file
// in the same folder, flushed to disk, then renamed over the old one. An
// existing file keeps its permission bits and owner; a new one gets
// `newFileMode`. On failure the old file is untouched and no temporary file is
// left behind.
std::optional<Error> write(const std::filesystem::path& path, std::string_view bytes,
                           mode_t newFileMode = 0600);

// What a conditional write found.
enum class Outcome {
    written,
    changed, // the file did not hold what was expected: nothing was written
    failed,
};
struct WriteResult {
    Outcome outcome = Outcome::failed;
    Error error; // failed: why
};

// Like `write`, but only while the file (links followed) still holds exactly
// `expected`, or, when `expected` is absent, while there is none. The bytes
// are compared once more just before the new file takes the old one's place,
// and a missing file is created by linking, which fails when one has appeared
// meanwhile, so a change made by another program is not silently undone.
WriteResult writeIfUnchanged(const std::filesystem::path& path, std::string_view bytes,
                             std::optional<std::string_view> expected, mode_t newFileMode = 0600);

// What a copy does with something already at its destination.
enum class Existing {
    replace, // replaced whole (a file or a link), never written through
    keep,    // left alone; the copy fails with EEXIST
};

// Copies `source` (links followed) to `destination` the same way; the copy gets
// the source's permission bits, never wider.
std::optional<Error> copy(const std::filesystem::path& source,
                          const std::filesystem::path& destination,
                          Existing existing = Existing::replace);

} // namespace quillo::AtomicFile
