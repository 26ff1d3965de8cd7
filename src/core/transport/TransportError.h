// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <string>

namespace quillo {

// Why a message could not be sent. what() is the user-readable description.
class TransportError : public std::exception {
public:
    enum class Kind { notConnected, encodingFailed, sendFailed };

    // `detail`: the peer id for notConnected, else the underlying error's description.
    TransportError(Kind kind, std::string detail);

    static TransportError notConnected(const std::string& peerId) {
        return {Kind::notConnected, peerId};
    }
    static TransportError encodingFailed(const std::string& underlying) {
        return {Kind::encodingFailed, underlying};
    }
    static TransportError sendFailed(const std::string& underlying) {
        return {Kind::sendFailed, underlying};
    }

    Kind kind() const { return kind_; }
    const std::string& detail() const { return detail_; }
    const std::string& description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    Kind kind_;
    std::string detail_;
    std::string description_;
};

} // namespace quillo
