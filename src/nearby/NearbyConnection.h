// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NearbyFrame.h"
#include "NearbyTimeouts.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSslSocket>
#include <QTimer>

#include <functional>
#include <optional>

namespace quillo {

// One TLS connection of the nearby link and its protocol state. The advertiser
// side waits for INVITE and answers it; the browser side sends INVITE and waits
// for the answer. Anything that breaks the protocol closes the connection and
// nothing else; closed() is emitted exactly once.
class NearbyConnection : public QObject {
    Q_OBJECT
public:
    enum class Side { advertiser, browser };
    enum class State { handshaking, awaitingInvite, invitePending, inviteSent, connected, closed };

    // What INVITE carries besides the name (a pairing token); may be absent.
    using InviteContext = std::optional<QByteArray>;
    // Browser side: decides, from the host certificate's fingerprint, whether
    // this is the host we mean to talk to, and what INVITE carries to it: a
    // pairing token belongs to one host, so it can be chosen only now. It runs
    // right after the handshake, before INVITE leaves; nothing closes the
    // connection and nothing is sent.
    using HostCheck = std::function<std::optional<InviteContext>(const QString& fingerprint)>;

    // Takes ownership of the socket. On the advertiser side the caller starts
    // the server handshake; the browser side connects with connectTo(). Owners
    // delete a connection with deleteLater(), never from inside its signals.
    NearbyConnection(QSslSocket* socket, Side side, const NearbyTimeouts& timeouts,
                     QObject* parent = nullptr);
    ~NearbyConnection() override;

    // Browser side: connect, then send INVITE with our name and context (the
    // host check's context when there is a check).
    void connectTo(const QString& host, quint16 port, const QString& myName,
                   const InviteContext& context, HostCheck hostCheck = {});

    // Advertiser side, after inviteReceived: answer the invitation. A reason
    // travels in the DECLINE, for the person at the other end.
    void accept(const QString& myName);
    void decline(const QString& reason = {});

    // Sends one DATA frame. False, with a reason, when the connection is not
    // connected, the data is too large or the peer does not keep up.
    bool sendData(const QByteArray& data, QString* error = nullptr);

    void close();

    State state() const { return state_; }
    // The name the other end gave in its INVITE or ACCEPT.
    const QString& peerName() const { return peerName_; }
    // SHA-256 of the other end's certificate, lower-case hex; empty before the
    // handshake or when it presented none.
    QString peerFingerprint() const;
    QHostAddress peerAddress() const { return socket_->peerAddress(); }

    // Bytes written to the peer and not yet sent, encrypted ones included.
    qint64 pendingWrite() const;

    // More unsent bytes than this means the peer stopped reading: close.
    // Before ACCEPT nothing large is ever sent, so a stranger gets far less.
    static constexpr qint64 maxPendingWrite = 8 * 1024 * 1024;
    static constexpr qint64 maxPendingWriteBeforeAccept = 64 * 1024;
    // Above this, nothing more is read from the peer until it has taken
    // what we owe it: a peer that sends without reading (each PING is owed a
    // PONG) is held back by its own TCP window instead of our memory.
    static constexpr qint64 pauseReadingAbove = 256 * 1024;
    static constexpr qint64 pauseReadingAboveBeforeAccept = 16 * 1024;
    // What is read ahead of the frame being handled, once connected.
    static constexpr qint64 readBufferWhenConnected = 2 * 1024 * 1024;

    // Whether reading is held back right now (see pauseReadingAbove).
    bool isReadingPaused() const { return readingPaused_; }

signals:
    void inviteReceived(const QString& peerName, const std::optional<QByteArray>& context);
    void accepted(const QString& peerName);
    // `reason` is empty when the advertiser gave none.
    void declined(const QString& reason);
    void dataReceived(const QByteArray& data);
    void closed();

private:
    void onEncrypted();
    void onReadyRead();
    void onWritten();
    void handleFrame(const Frame& frame);
    void handleInvite(const QByteArray& body);
    void handleAnswer(const QByteArray& body);
    bool writeFrame(FrameType type, const QByteArray& body = {});
    void restartSilenceTimers();
    void fail();
    void shutDown(bool abort);

    QSslSocket* socket_;
    Side side_;
    NearbyTimeouts timeouts_;
    State state_ = State::handshaking;
    FrameReader reader_;
    QString peerName_;
    QString myName_;
    std::optional<QByteArray> context_;
    HostCheck hostCheck_;
    QTimer deadline_; // the INVITE, or the answer to ours
    QTimer pingTimer_;
    QTimer idleTimer_;
    bool closeAfterWrite_ = false;
    bool readingPaused_ = false;
};

// The body of INVITE (and of ACCEPT, without context): version 1, a name that
// cleans to something, and base64 context bytes when allowed. Nothing for
// anything else, deep nesting included.
struct HandshakeBody {
    QString name;
    std::optional<QByteArray> context;
};
std::optional<HandshakeBody> parseHandshake(const QByteArray& bytes, bool allowContext);

// The body of DECLINE: empty, or {"v": 1, "reason": text}. The reason, cleaned
// as a display name is (control and direction characters go) and cut to
// maxDeclineReason characters; nothing for a body that is neither.
inline constexpr qsizetype maxDeclineReason = 200;
QByteArray declineBody(const QString& reason);
std::optional<QString> parseDecline(const QByteArray& bytes);

// Display names on the link: valid UTF-8, not blank once cleaned. Gives the
// cleaned name (see DisplayName::clean), cut like DisplayName::sanitize when
// longer than 63 bytes, or nothing.
std::optional<QString> acceptablePeerName(const QByteArray& utf8);

} // namespace quillo
