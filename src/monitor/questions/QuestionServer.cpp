// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuestionServer.h"

#include "OpenQuestions.h"
#include "PermissionQuestion.h"
#include "Timestamp.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QVariant>

#include <sys/socket.h>
#include <unistd.h>

namespace quillo {

namespace {

constexpr const char* questionProperty = "quilloQuestionId";

bool fromThisUser(QLocalSocket* socket) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                        &peer, &length) == 0 &&
           peer.uid == ::getuid();
}

void sendAndClose(QLocalSocket* socket, const std::string& line) {
    socket->write(line.data(), static_cast<qint64>(line.size()));
    socket->disconnectFromServer(); // after the line is written
}

} // namespace

QuestionServer::QuestionServer(OpenQuestions& questions, std::filesystem::path socketPath,
                               std::function<bool()> answering, QObject* parent)
    : QObject(parent), questions_(questions), socketPath_(std::move(socketPath)),
      answering_(std::move(answering)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &QuestionServer::accept);
}

QuestionServer::~QuestionServer() {
    // The recorders waiting now hear end of stream and leave quietly.
    server_->close();
}

std::optional<QString> QuestionServer::listen() {
    const QString path = QString::fromStdString(socketPath_.string());
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        return server_->errorString();
    }
    return std::nullopt;
}

void QuestionServer::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (pending_ >= maxPending || !fromThisUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++pending_;
        socket->setProperty("quilloPending", true);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            if (socket->property("quilloPending").toBool()) {
                socket->setProperty("quilloPending", false);
                --pending_;
            }
            const QVariant id = socket->property(questionProperty);
            if (id.isValid()) {
                socket->setProperty(questionProperty, QVariant());
                questions_.withdraw(id.toULongLong());
            }
            socket->deleteLater();
        });
        read(socket);
    }
}

void QuestionServer::read(QLocalSocket* socket) {
    while (socket->state() == QLocalSocket::ConnectedState && socket->canReadLine()) {
        const QByteArray line = socket->readLine(PermissionQuestion::maxLineBytes + 2).chopped(1);
        handleLine(socket, std::string_view(line.data(), static_cast<std::size_t>(line.size())));
    }
    if (socket->state() == QLocalSocket::ConnectedState && !socket->canReadLine() &&
        socket->bytesAvailable() > static_cast<qint64>(PermissionQuestion::maxLineBytes)) {
        socket->abort();
    }
}

void QuestionServer::handleLine(QLocalSocket* socket, std::string_view line) {
    const QVariant asked = socket->property(questionProperty);
    if (asked.isValid()) {
        // After its question a recorder only ever says that it withdrew it.
        if (PermissionQuestion::isWithdrawn(line)) {
            socket->setProperty(questionProperty, QVariant());
            questions_.withdraw(asked.toULongLong());
            socket->disconnectFromServer();
        }
        return;
    }
    if (!socket->property("quilloPending").toBool()) {
        return; // answered already; the rest of its words do not matter
    }
    socket->setProperty("quilloPending", false);
    --pending_;
    auto question = PermissionQuestion::decodeQuestion(line);
    if (!question) {
        socket->abort();
        return;
    }
    if (answering_ && !answering_()) {
        sendAndClose(socket, PermissionQuestion::encodeAnswer(std::nullopt));
        return;
    }
    QPointer<QLocalSocket> guarded(socket);
    auto id = questions_.open(
        std::move(*question),
        [guarded](const std::optional<PermissionQuestion::Answer>& answer) {
            if (guarded) {
                guarded->setProperty(questionProperty, QVariant());
                sendAndClose(guarded, PermissionQuestion::encodeAnswer(answer));
            }
        },
        now());
    if (id && guarded && guarded->state() == QLocalSocket::ConnectedState) {
        socket->setProperty(questionProperty, QVariant::fromValue<qulonglong>(*id));
    }
}

} // namespace quillo
