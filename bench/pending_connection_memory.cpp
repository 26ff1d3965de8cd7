// SPDX-License-Identifier: GPL-3.0-or-later
// What unauthenticated clients can make the host hold: 256 connections (the
// cap; 16 from each of 16 addresses, the share of one), each past the TLS handshake and holding all but the last byte of the
// largest frame allowed before ACCEPT. Prints the host's resident memory before
// and its peak after. The host runs in a child process of its own, so the
// figure is the host's alone.
// Usage: pending_connection_memory [CONNECTIONS]
#include "MPCTransport.h"
#include "NearbyFrame.h"
#include "platform/LocalServiceDiscovery.h"
#include "transport/TransportServiceType.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

using namespace quillo;

namespace {

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// VmRSS or VmHWM of a process, in kB.
long memoryOf(qint64 pid, const char* field) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(static_cast<qsizetype>(std::strlen(field)) + 1)
                .trimmed()
                .split(' ')
                .front()
                .toLong();
        }
    }
    return -1;
}

int runHost() {
    QTemporaryDir home;
    MPCTransport::Options options;
    options.discovery = std::make_shared<LocalServiceDiscovery>();
    options.port = 0;
    options.listenAddress = QHostAddress::LocalHost;
    options.identityFile = (home.path() + "/identity.pem").toStdString();
    options.timeouts.invite = std::chrono::minutes(5);
    options.timeouts.idle = std::chrono::minutes(5);
    MPCTransport host("Bench", TransportRole::host, std::string(TransportServiceType::mvp), true,
                      true, options);
    host.start();
    if (!host.listeningPort()) {
        return 1;
    }
    std::cout << *host.listeningPort() << std::endl;
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--host") {
        return runHost();
    }
    const int connections = argc > 1 ? std::atoi(argv[1]) : 256;

    QProcess host;
    host.start(QCoreApplication::applicationFilePath(), {"--host"});
    if (!waitFor([&] { return host.canReadLine(); }, 20000)) {
        std::fprintf(stderr, "the host did not start\n");
        return 1;
    }
    const auto port = static_cast<quint16>(host.readLine().trimmed().toUInt());
    waitFor([] { return false; }, 300);
    const long before = memoryOf(host.processId(), "VmRSS:");

    // The largest frame allowed before ACCEPT, less its last byte.
    const std::uint32_t length = NearbyFrame::maxLengthBeforeAccept;
    QByteArray partial(4, '\0');
    for (int i = 0; i < 4; ++i) {
        partial[i] = static_cast<char>(length >> (24 - 8 * i));
    }
    partial.append('\x01');
    partial.append(QByteArray(static_cast<qsizetype>(length) - 2, '['));

    std::vector<std::unique_ptr<QSslSocket>> sockets;
    int encrypted = 0;
    for (int i = 0; i < connections; ++i) {
        auto socket = std::make_unique<QSslSocket>();
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        // Sixteen a source (the host's share per address), as many machines.
        socket->bind(QHostAddress(QStringLiteral("127.0.1.%1").arg(i / 16 + 1)));
        QSslSocket* raw = socket.get();
        QObject::connect(raw, &QSslSocket::encrypted, [raw, &partial, &encrypted] {
            ++encrypted;
            raw->write(partial);
        });
        socket->connectToHostEncrypted("127.0.0.1", port);
        sockets.push_back(std::move(socket));
        waitFor([&] { return encrypted == i + 1; }, 5000);
    }
    waitFor(
        [&] {
            for (const auto& s : sockets) {
                if (s->encryptedBytesToWrite() > 0 || s->bytesToWrite() > 0) {
                    return false;
                }
            }
            return true;
        },
        20000);
    waitFor([] { return false; }, 1000); // let the host read everything
    int open = 0;
    for (const auto& s : sockets) {
        open += s->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    }
    const long peak = memoryOf(host.processId(), "VmHWM:");
    std::printf("pending connections: %d open of %d, each holding %u of a %u-byte frame\n", open,
                connections, length + 3, length + 4);
    std::printf("host resident memory: %.1f MB before, %.1f MB peak (goal: at most 64 MB)\n",
                before / 1024.0, peak / 1024.0);
    host.kill();
    host.waitForFinished();
    return 0;
}
