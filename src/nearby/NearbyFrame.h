// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace quillo {

// The frames of the nearby link, inside TLS: a 4-byte big-endian length L
// (1..1 MiB), then L bytes: one type byte and the body.
enum class FrameType : std::uint8_t {
    invite = 0x01,
    accept = 0x02,
    decline = 0x03,
    data = 0x04,
    ping = 0x05,
    pong = 0x06,
};

struct Frame {
    FrameType type = FrameType::ping;
    QByteArray body;
};

namespace NearbyFrame {

inline constexpr std::uint32_t maxLength = 1024 * 1024; // type byte included
inline constexpr std::size_t maxBodySize = maxLength - 1;
// Until ACCEPT the other end is nobody: its frames (INVITE, PING) stay small,
// so that a crowd of unauthenticated connections cannot hold much memory.
inline constexpr std::uint32_t maxLengthBeforeAccept = 64 * 1024;

// Nothing when the body is too large for one frame.
std::optional<QByteArray> encode(FrameType type, const QByteArray& body = {});

} // namespace NearbyFrame

// Cuts a byte stream into frames. After the first rule broken (a length out of
// range, an unknown type) it stays failed and holds nothing.
class FrameReader {
public:
    void append(const QByteArray& bytes);
    // The next complete frame, if there is one. A frame longer than the
    // current maximum fails the reader as soon as its header is seen.
    std::optional<Frame> next();
    // Appends bytes and returns every frame now complete. Check failed() after.
    std::vector<Frame> feed(const QByteArray& bytes);

    void setMaxLength(std::uint32_t length) { maxLength_ = length; }
    bool failed() const { return failed_; }

private:
    void failNow();

    QByteArray buffer_;
    qsizetype offset_ = 0; // bytes of buffer_ already handed out
    std::uint32_t maxLength_ = NearbyFrame::maxLength;
    bool failed_ = false;
};

} // namespace quillo
