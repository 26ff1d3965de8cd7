// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/TransportError.h"

namespace quillo {

namespace {

std::string prefix(TransportError::Kind kind) {
    switch (kind) {
    case TransportError::Kind::notConnected:
        return "对端未连接: ";
    case TransportError::Kind::encodingFailed:
        return "消息编码失败: ";
    case TransportError::Kind::sendFailed:
        return "消息发送失败: ";
    }
    return {};
}

} // namespace

TransportError::TransportError(Kind kind, std::string detail)
    : kind_(kind), detail_(std::move(detail)), description_(prefix(kind) + detail_) {}

} // namespace quillo
