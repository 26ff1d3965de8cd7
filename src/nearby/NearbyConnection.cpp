// SPDX-License-Identifier: GPL-3.0-or-later
#include "NearbyConnection.h"

#include "DisplayName.h"
#include "JsonWriter.h"
#include "NearbyIdentity.h"
#include "Utf8.h"
#include "transport/TransportCoding.h"

#include <nlohmann/json.hpp>

namespace quillo {

namespace {

constexpr int protocolVersion = 1;
constexpr qint64 preAcceptReadBuffer = 16 * 1024;
constexpr qsizetype maxNameBytes = 63;

std::optional<QByteArray> handshakeBody(const QString& name,
                                        const std::optional<QByteArray>& context) {
    nlohmann::json body = nlohmann::json::object();
    body["v"] = protocolVersion;
    body["name"] = name.toStdString();
    if (context) {
        body["context"] = context->toBase64().toStdString();
    }
    auto text = JsonWriter::compact(body);
    if (!text) {
        return std::nullopt;
    }
    return QByteArray::fromStdString(*text);
}

// A frame body as an object of this protocol's version, or nothing. Nothing
// deeper than the phone messages allow gets to the parser: before ACCEPT
// nobody is authenticated, and deep nesting costs stack and memory.
std::optional<nlohmann::json> versionedBody(const QByteArray& bytes) {
    if (!TransportCoding::nestingWithinLimit(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
        return std::nullopt;
    }
    auto body = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!body.is_object()) {
        return std::nullopt;
    }
    auto version = body.find("v");
    if (version == body.end() || !version->is_number_integer() ||
        version->get<std::int64_t>() != protocolVersion) {
        return std::nullopt;
    }
    return body;
}

} // namespace

std::optional<HandshakeBody> parseHandshake(const QByteArray& bytes, bool allowContext) {
    auto parsed = versionedBody(bytes);
    if (!parsed) {
        return std::nullopt;
    }
    const nlohmann::json& body = *parsed;
    auto name = body.find("name");
    if (name == body.end() || !name->is_string()) {
        return std::nullopt;
    }
    auto cleanName = acceptablePeerName(QByteArray::fromStdString(name->get<std::string>()));
    if (!cleanName) {
        return std::nullopt;
    }
    HandshakeBody out{*cleanName, std::nullopt};
    auto context = body.find("context");
    if (allowContext && context != body.end() && !context->is_null()) {
        if (!context->is_string()) {
            return std::nullopt;
        }
        auto decoded =
            QByteArray::fromBase64Encoding(QByteArray::fromStdString(context->get<std::string>()),
                                           QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            return std::nullopt;
        }
        out.context = *decoded;
    }
    return out;
}

QByteArray declineBody(const QString& reason) {
    if (reason.isEmpty()) {
        return {};
    }
    nlohmann::json body = nlohmann::json::object();
    body["v"] = protocolVersion;
    body["reason"] = reason.left(maxDeclineReason).toStdString();
    auto text = JsonWriter::compact(body);
    return text ? QByteArray::fromStdString(*text) : QByteArray();
}

std::optional<QString> parseDecline(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return QString();
    }
    auto parsed = versionedBody(bytes);
    if (!parsed) {
        return std::nullopt;
    }
    const nlohmann::json& body = *parsed;
    auto reason = body.find("reason");
    if (reason == body.end() || !reason->is_string() ||
        !isValidUtf8(reason->get_ref<const std::string&>())) {
        return std::nullopt;
    }
    return QString::fromStdString(DisplayName::clean(reason->get<std::string>()))
        .left(maxDeclineReason);
}

std::optional<QString> acceptablePeerName(const QByteArray& utf8) {
    if (utf8.isEmpty() ||
        !isValidUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())))) {
        return std::nullopt;
    }
    std::string name = DisplayName::clean(utf8.toStdString());
    if (name.empty()) {
        return std::nullopt;
    }
    // A peer that did not keep its name within the limit gets it cut the way
    // every peer cuts its own, between characters; the name stays what the
    // user sees when asked about it.
    if (name.size() > static_cast<std::size_t>(maxNameBytes)) {
        name = DisplayName::sanitize(name);
    }
    return QString::fromStdString(name);
}

NearbyConnection::NearbyConnection(QSslSocket* socket, Side side, const NearbyTimeouts& timeouts,
                                   QObject* parent)
    : QObject(parent), socket_(socket), side_(side), timeouts_(timeouts) {
    socket_->setParent(this);
    deadline_.setSingleShot(true);
    pingTimer_.setSingleShot(true);
    idleTimer_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &NearbyConnection::fail);
    connect(&idleTimer_, &QTimer::timeout, this, &NearbyConnection::fail);
    connect(&pingTimer_, &QTimer::timeout, this, [this] {
        writeFrame(FrameType::ping);
        pingTimer_.start(timeouts_.ping);
    });
    connect(socket_, &QSslSocket::encrypted, this, &NearbyConnection::onEncrypted);
    connect(socket_, &QSslSocket::readyRead, this, &NearbyConnection::onReadyRead);
    connect(socket_, &QSslSocket::disconnected, this, &NearbyConnection::close);
    connect(socket_, &QSslSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { close(); });
    connect(socket_, &QSslSocket::bytesWritten, this, &NearbyConnection::onWritten);
    connect(socket_, &QSslSocket::encryptedBytesWritten, this, &NearbyConnection::onWritten);

    if (side_ == Side::advertiser) {
        // The whole way from TCP to INVITE is bounded, the TLS handshake included.
        deadline_.start(timeouts_.invite);
        // Until ACCEPT the socket's own buffers stay small too; each keeps its
        // largest chunk for reuse, which for a crowd of strangers adds up.
        socket_->setReadBufferSize(preAcceptReadBuffer);
    }
}

NearbyConnection::~NearbyConnection() {
    if (state_ != State::closed) {
        state_ = State::closed;
        socket_->disconnect(this);
    }
    // The socket is our child; closing it here is safe because deletion only
    // ever happens from the event loop (deleteLater).
    socket_->abort();
}

void NearbyConnection::connectTo(const QString& host, quint16 port, const QString& myName,
                                 const InviteContext& context, HostCheck hostCheck) {
    myName_ = myName;
    context_ = context;
    hostCheck_ = std::move(hostCheck);
    // The host's certificate is self-signed: no certificate authority is asked.
    // Who the host is, is decided by its fingerprint (the host check).
    socket_->setPeerVerifyMode(QSslSocket::VerifyNone);
    socket_->setProtocol(QSsl::TlsV1_2OrLater);
    deadline_.start(timeouts_.invitation);
    socket_->connectToHostEncrypted(host, port);
}

void NearbyConnection::onEncrypted() {
    restartSilenceTimers();
    if (side_ == Side::advertiser) {
        state_ = State::awaitingInvite;
        return;
    }
    if (hostCheck_) {
        auto context = hostCheck_(peerFingerprint());
        if (!context) {
            fail();
            return;
        }
        context_ = std::move(*context);
    }
    auto body = handshakeBody(myName_, context_);
    if (!body || !writeFrame(FrameType::invite, *body)) {
        fail();
        return;
    }
    state_ = State::inviteSent;
}

qint64 NearbyConnection::pendingWrite() const {
    // bytesToWrite() counts only what is not encrypted yet; what TLS already
    // encrypted waits in the socket below.
    return socket_->bytesToWrite() + socket_->encryptedBytesToWrite();
}

void NearbyConnection::onWritten() {
    if (state_ == State::closed) {
        return;
    }
    if (closeAfterWrite_ && pendingWrite() == 0) {
        close();
        return;
    }
    if (readingPaused_) {
        onReadyRead();
    }
}

void NearbyConnection::onReadyRead() {
    if (state_ == State::closed) {
        return;
    }
    const qint64 pauseAbove =
        state_ == State::connected ? pauseReadingAbove : pauseReadingAboveBeforeAccept;
    readingPaused_ = pendingWrite() > pauseAbove;
    if (readingPaused_) {
        return; // left in the socket's bounded buffer; read again once written
    }
    reader_.append(socket_->readAll());
    // Frame by frame, so that the size limit for each frame is the one of the
    // state it arrives in: small until ACCEPT, a full frame after.
    while (state_ != State::closed) {
        if (pendingWrite() > pauseAbove) {
            readingPaused_ = true; // the frames already read wait with the rest
            return;
        }
        reader_.setMaxLength(state_ == State::connected ? NearbyFrame::maxLength
                                                        : NearbyFrame::maxLengthBeforeAccept);
        auto frame = reader_.next();
        if (!frame) {
            break;
        }
        handleFrame(*frame);
    }
    if (state_ != State::closed && reader_.failed()) {
        fail();
    }
}

QString NearbyConnection::peerFingerprint() const {
    return NearbyIdentity::fingerprintOf(socket_->peerCertificate());
}

void NearbyConnection::handleFrame(const Frame& frame) {
    restartSilenceTimers();
    switch (frame.type) {
    case FrameType::ping:
        if (!frame.body.isEmpty()) {
            fail();
            return;
        }
        writeFrame(FrameType::pong);
        return;
    case FrameType::pong:
        if (!frame.body.isEmpty()) {
            fail();
        }
        return;
    case FrameType::invite:
        if (side_ != Side::advertiser || state_ != State::awaitingInvite) {
            fail();
            return;
        }
        handleInvite(frame.body);
        return;
    case FrameType::accept:
    case FrameType::decline:
        if (side_ != Side::browser || state_ != State::inviteSent) {
            fail();
            return;
        }
        if (frame.type == FrameType::decline) {
            auto reason = parseDecline(frame.body);
            if (!reason) {
                fail();
                return;
            }
            deadline_.stop();
            emit declined(*reason);
            close();
            return;
        }
        handleAnswer(frame.body);
        return;
    case FrameType::data:
        if (state_ != State::connected) {
            fail();
            return;
        }
        emit dataReceived(frame.body);
        return;
    }
    fail();
}

void NearbyConnection::handleInvite(const QByteArray& body) {
    auto invite = parseHandshake(body, true);
    if (!invite) {
        fail();
        return;
    }
    deadline_.stop();
    state_ = State::invitePending;
    peerName_ = invite->name;
    emit inviteReceived(peerName_, invite->context);
}

void NearbyConnection::handleAnswer(const QByteArray& body) {
    auto answer = parseHandshake(body, false);
    if (!answer) {
        fail();
        return;
    }
    deadline_.stop();
    state_ = State::connected;
    socket_->setReadBufferSize(readBufferWhenConnected);
    peerName_ = answer->name;
    emit accepted(peerName_);
}

void NearbyConnection::accept(const QString& myName) {
    if (state_ != State::invitePending) {
        return;
    }
    auto body = handshakeBody(myName, std::nullopt);
    if (!body || !writeFrame(FrameType::accept, *body)) {
        fail();
        return;
    }
    state_ = State::connected;
    socket_->setReadBufferSize(readBufferWhenConnected);
}

void NearbyConnection::decline(const QString& reason) {
    if (state_ != State::invitePending) {
        return;
    }
    writeFrame(FrameType::decline, declineBody(reason));
    state_ = State::handshaking; // no further frames are honoured
    closeAfterWrite_ = true;
    socket_->flush();
    if (socket_->bytesToWrite() == 0) {
        close();
    } else {
        // The DECLINE gets a moment to leave; a peer that does not read is cut.
        deadline_.start(std::chrono::milliseconds(2000));
    }
}

bool NearbyConnection::sendData(const QByteArray& data, QString* error) {
    auto setError = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    if (state_ != State::connected) {
        return setError(QStringLiteral("connection closed"));
    }
    if (static_cast<std::size_t>(data.size()) > NearbyFrame::maxBodySize) {
        return setError(QStringLiteral("message larger than one frame"));
    }
    if (!writeFrame(FrameType::data, data)) {
        return setError(QStringLiteral("the peer does not read its data"));
    }
    return true;
}

bool NearbyConnection::writeFrame(FrameType type, const QByteArray& body) {
    if (state_ == State::closed) {
        return false;
    }
    auto frame = NearbyFrame::encode(type, body);
    if (!frame) {
        return false;
    }
    const qint64 limit = state_ == State::connected ? maxPendingWrite : maxPendingWriteBeforeAccept;
    if (pendingWrite() + frame->size() > limit) {
        fail();
        return false;
    }
    return socket_->write(*frame) == frame->size();
}

void NearbyConnection::restartSilenceTimers() {
    pingTimer_.start(timeouts_.ping);
    idleTimer_.start(timeouts_.idle);
}

void NearbyConnection::fail() {
    shutDown(true);
}

void NearbyConnection::close() {
    shutDown(false);
}

void NearbyConnection::shutDown(bool abort) {
    if (state_ == State::closed) {
        return;
    }
    state_ = State::closed;
    deadline_.stop();
    pingTimer_.stop();
    idleTimer_.stop();
    socket_->disconnect(this);
    // This often runs inside the socket's own signal (a bad frame, a peer that
    // hung up); the TLS backend must not be torn down under its feet, so the
    // socket is closed from the event loop.
    QPointer<QSslSocket> socket(socket_);
    QMetaObject::invokeMethod(
        socket_,
        [socket, abort] {
            if (!socket) {
                return;
            }
            if (abort) {
                socket->abort();
            } else {
                socket->disconnectFromHost();
            }
        },
        Qt::QueuedConnection);
    emit closed();
}

} // namespace quillo
