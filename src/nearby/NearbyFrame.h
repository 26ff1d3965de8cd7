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

// Nothing when the body is too large for one frame.
std::optional<QByteArray> encode(FrameType type, const QByteArray& body = {});

} // namespace NearbyFrame

// Cuts a byte stream into frames. Holds at most one frame's bytes; after the
// first rule broken (a length out of range, an unknown type) it stays failed.
class FrameReader {
public:
    // Appends bytes and returns every frame now complete. Check failed() after.
    std::vector<Frame> feed(const QByteArray& bytes);
    bool failed() const { return failed_; }

private:
    QByteArray buffer_;
    bool failed_ = false;
};

} // namespace quillo
