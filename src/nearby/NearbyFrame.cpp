// SPDX-License-Identifier: GPL-3.0-or-later
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

void FrameReader::failNow() {
    failed_ = true;
    buffer_ = QByteArray();
    offset_ = 0;
}

void FrameReader::append(const QByteArray& bytes) {
    if (failed_) {
        return;
    }
    if (offset_ > 0) {
        buffer_.remove(0, offset_);
        offset_ = 0;
    }
    buffer_.append(bytes);
}

std::optional<Frame> FrameReader::next() {
    const qsizetype available = buffer_.size() - offset_;
    if (failed_ || available < 4) {
        return std::nullopt;
    }
    const std::uint32_t length = readLength(buffer_.mid(offset_, 4));
    if (length < 1 || length > maxLength_) {
        failNow();
        return std::nullopt;
    }
    // The type byte is checked as soon as it is there, so a stream of junk
    // fails without waiting for the rest of the frame.
    if (available >= 5 && !knownType(static_cast<std::uint8_t>(buffer_[offset_ + 4]))) {
        failNow();
        return std::nullopt;
    }
    const qsizetype total = 4 + static_cast<qsizetype>(length);
    if (available < total) {
        // Room for exactly this frame, so a partial frame costs its own size
        // and not the doubling of a growing buffer.
        buffer_.reserve(offset_ + total);
        return std::nullopt;
    }
    Frame frame;
    frame.type = static_cast<FrameType>(static_cast<std::uint8_t>(buffer_[offset_ + 4]));
    frame.body = buffer_.mid(offset_ + 5, static_cast<qsizetype>(length) - 1);
    offset_ += total;
    if (offset_ == buffer_.size()) {
        buffer_ = QByteArray();
        offset_ = 0;
    }
    return frame;
}

std::vector<Frame> FrameReader::feed(const QByteArray& bytes) {
    append(bytes);
    std::vector<Frame> frames;
    while (auto frame = next()) {
        frames.push_back(std::move(*frame));
    }
    return frames;
}

} // namespace quillo
