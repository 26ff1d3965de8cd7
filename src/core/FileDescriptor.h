// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillo {

// Owns a raw descriptor and closes it at scope end. Used where the exact system
// calls matter (append mode, one write per line, flock), which streams hide.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Reads until end of file; nothing on a read error. Retries interrupted reads.
// `expectedSize` (a regular file's size, say) is room made beforehand, so
// that a large file is not copied again and again as the text grows.
std::optional<std::string> readToEnd(int fd, std::size_t expectedSize = 0);

// Writes every byte, retrying interrupted and partial writes.
bool writeAll(int fd, std::string_view bytes);

} // namespace quillo
