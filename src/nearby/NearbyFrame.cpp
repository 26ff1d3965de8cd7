#include "NearbyFrame.h"

namespace quillo {

namespace {

bool knownType(std::uint8_t t) {
    return t >= static_cast<std::uint8_t>(FrameType::invite) &&
           t <= static_cast<std::uint8_t>(FrameType::pong);
}

std::uint32_t readLength(const QByteArray& buffer) {
    auto b = [&](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(buffer[i]));
    };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

} // namespace

std::optional<QByteArray> NearbyFrame::encode(FrameType type, const QByteArray& body) {
    if (static_cast<std::size_t>(body.size()) > maxBodySize) {
        return std::nullopt;
    }
    const auto length = static_cast<std::uint32_t>(body.size() + 1);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(length) + 4);
    out.append(static_cast<char>((length >> 24) & 0xFF));
    out.append(static_cast<char>((length >> 16) & 0xFF));
    out.append(static_cast<char>((length >> 8) & 0xFF));
    out.append(static_cast<char>(length & 0xFF));
    out.append(static_cast<char>(type));
    out.append(body);
    return out;
}

std::vector<Frame> FrameReader::feed(const QByteArray& bytes) {
    std::vector<Frame> frames;
    if (failed_) {
        return frames;
    }
    buffer_.append(bytes);
    qsizetype offset = 0;
    while (buffer_.size() - offset >= 4) {
        const std::uint32_t length = readLength(buffer_.mid(offset, 4));
        if (length < 1 || length > NearbyFrame::maxLength) {
            failed_ = true;
            buffer_.clear();
            return frames;
        }
        // The type byte is checked as soon as it is there, so a stream of junk
        // fails without waiting for a megabyte to arrive.
        if (buffer_.size() - offset >= 5 &&
            !knownType(static_cast<std::uint8_t>(buffer_[offset + 4]))) {
            failed_ = true;
            buffer_.clear();
            return frames;
        }
        if (buffer_.size() - offset < 4 + static_cast<qsizetype>(length)) {
            break;
        }
        Frame frame;
        frame.type = static_cast<FrameType>(static_cast<std::uint8_t>(buffer_[offset + 4]));
        frame.body = buffer_.mid(offset + 5, static_cast<qsizetype>(length) - 1);
        frames.push_back(std::move(frame));
        offset += 4 + static_cast<qsizetype>(length);
    }
    buffer_.remove(0, offset);
    return frames;
}

} // namespace quillo
