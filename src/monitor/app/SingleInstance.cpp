// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace quillo {

SingleInstance::SingleInstance(std::filesystem::path appSupport, QObject* parent)
    : QObject(parent), appSupport_(std::move(appSupport)), lock_(appSupport_ / "monitor.lock") {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath(const std::filesystem::path& appSupport) {
    const std::string normal = appSupport.lexically_normal().string();
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(normal), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString name = QStringLiteral("quillo-%1.sock").arg(QString::fromLatin1(digest));
    QString directory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (directory.isEmpty()) {
        directory = QString::fromStdString(normal);
    }
    return directory + QLatin1Char('/') + name;
}

bool SingleInstance::listen() {
    if (isListening()) {
        return true;
    }
    const QString path = socketPath(appSupport_);
    QLocalServer::removeServer(path);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        server_.reset();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > 64) {
                        socket->abort();
                    }
                    return;
                }
                const bool activate = socket->readLine(64) == activateRequest;
                if (activate) {
                    socket->write(activateReply);
                    socket->flush();
                }
                socket->disconnectFromServer();
                if (activate) {
                    emit activationRequested();
                }
            });
        }
    });
    return true;
}

bool SingleInstance::isListening() const {
    return server_ && server_->isListening();
}

void SingleInstance::release() {
    if (server_) {
        server_->close();
        server_.reset();
    }
    lock_.release();
}

bool SingleInstance::askRunningInstanceToActivate(const QString& socketPath,
                                                  std::chrono::milliseconds patience) {
    QDeadlineTimer deadline(patience);
    do {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(
                static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(activateRequest);
            socket.flush();
            while (!socket.canReadLine() && socket.waitForReadyRead(static_cast<int>(
                                                std::max<qint64>(1, deadline.remainingTime())))) {
            }
            return socket.canReadLine() && socket.readLine(64) == activateReply;
        }
        // Not listening yet: the running monitor may be in its first moments.
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

} // namespace quillo
