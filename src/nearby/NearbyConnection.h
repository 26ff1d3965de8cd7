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

    // Browser side: decides, from the host certificate's fingerprint, whether
    // this is the host we mean to talk to. It runs right after the handshake,
    // before INVITE (which carries the pairing token) leaves; false closes the
    // connection and nothing is sent.
    using HostCheck = std::function<bool(const QString& fingerprint)>;

    // Takes ownership of the socket. On the advertiser side the caller starts
    // the server handshake; the browser side connects with connectTo(). Owners
    // delete a connection with deleteLater(), never from inside its signals.
    NearbyConnection(QSslSocket* socket, Side side, const NearbyTimeouts& timeouts,
                     QObject* parent = nullptr);
    ~NearbyConnection() override;

    // Browser side: connect, then send INVITE with our name and context.
    void connectTo(const QString& host, quint16 port, const QString& myName,
                   const std::optional<QByteArray>& context, HostCheck hostCheck = {});

    // Advertiser side, after inviteReceived: answer the invitation.
    void accept(const QString& myName);
    void decline();

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

    // More unsent bytes than this means the peer stopped reading: close.
    static constexpr qint64 maxPendingWrite = 8 * 1024 * 1024;

signals:
    void inviteReceived(const QString& peerName, const std::optional<QByteArray>& context);
    void accepted(const QString& peerName);
    void declined();
    void dataReceived(const QByteArray& data);
    void closed();

private:
    void onEncrypted();
    void onReadyRead();
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
};

// The body of INVITE (and of ACCEPT, without context): version 1, a name that
// cleans to something, and base64 context bytes when allowed. Nothing for
// anything else, deep nesting included.
struct HandshakeBody {
    QString name;
    std::optional<QByteArray> context;
};
std::optional<HandshakeBody> parseHandshake(const QByteArray& bytes, bool allowContext);

// Display names on the link: valid UTF-8, at most 63 bytes, not blank once
// cleaned. Gives the cleaned name (see DisplayName::clean), or nothing.
std::optional<QString> acceptablePeerName(const QByteArray& utf8);

} // namespace quillo
