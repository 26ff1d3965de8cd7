// SPDX-License-Identifier: GPL-3.0-or-later
// What a hostile device on the network can make the phone link do. The host
// runs in a child process of its own (so its memory is its own) with the
// diagnostic log in a private HOME; the attacks come from loopback addresses
// of their own (127.x.y.z), as fresh machines would. Prints three figures:
//  1. log bytes written for 1,000 refused invitations from 1,000 sources;
//  2. the host's peak memory while 8 strangers flood PING for 10 s, reading
//     nothing;
//  3. whether a paired phone gets in while one source opens 2,000
//     connections a second, and how long it took.
// Usage: phone_link_abuse
#include "DiagnosticLogger.h"
#include "MPCTransport.h"
#include "NearbyFrame.h"
#include "platform/LocalServiceDiscovery.h"
#include "transport/TransportInvitationContext.h"
#include "transport/TransportServiceType.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

using namespace quillo;

namespace {

const std::string pairedToken = "bench-paired-token-0123456789abcdef";

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

void raiseOwnDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

QByteArray frame(FrameType type, const QByteArray& body = {}) {
    return *NearbyFrame::encode(type, body);
}

// The monitor's transport, letting in only the paired phone's token.
int runHost() {
    raiseOwnDescriptorLimit();
    QTemporaryDir home;
    MPCTransport::Options options;
    options.discovery = std::make_shared<LocalServiceDiscovery>();
    options.port = 0;
    options.identityFile = (home.path() + "/identity.pem").toStdString();
    MPCTransport host("Bench", TransportRole::host, std::string(TransportServiceType::mvp), true,
                      true, options);
    host.onInvitationReceivedFrom = [](const TransportPeer&,
                                       const std::optional<std::string>& context,
                                       const std::string&, MPCTransport::Decision decide) {
        const auto token = TransportInvitationContext::pairingToken(context);
        decide(token == pairedToken, "wrong token");
    };
    host.onPeerConnected = [&host](const TransportPeer& peer) {
        QMetaObject::invokeMethod(
            &host, [&host, peer] { host.disconnectPeer(peer); }, Qt::QueuedConnection);
    };
    host.start();
    if (!host.listeningPort()) {
        return 1;
    }
    std::cout << *host.listeningPort() << std::endl;
    return QCoreApplication::exec();
}

QHostAddress loopback(int a, int b, int c) {
    return QHostAddress(QStringLiteral("127.%1.%2.%3").arg(a).arg(b).arg(c));
}

// 1,000 invitations with a wrong token, each from an address of its own.
qint64 refusedInvitationLogBytes(quint16 port, const QString& logFile) {
    const qint64 before = QFileInfo(logFile).size();
    const QByteArray invite =
        frame(FrameType::invite,
              QByteArray(R"({"v":1,"name":"Guesser","context":")") +
                  QByteArray::fromStdString(*TransportInvitationContext::encode("guess-0123456789"))
                      .toBase64() +
                  "\"}");
    int done = 0;
    for (int batch = 0; batch < 50; ++batch) {
        std::vector<std::unique_ptr<QSslSocket>> sockets;
        for (int i = 0; i < 20; ++i) {
            const int n = batch * 20 + i;
            auto socket = std::make_unique<QSslSocket>();
            socket->setPeerVerifyMode(QSslSocket::VerifyNone);
            socket->bind(loopback(1, n / 250, n % 250 + 1));
            QSslSocket* raw = socket.get();
            QObject::connect(raw, &QSslSocket::encrypted, [raw, &invite] { raw->write(invite); });
            QObject::connect(raw, &QSslSocket::disconnected, [&done] { ++done; });
            socket->connectToHostEncrypted("127.0.0.1", port);
            sockets.push_back(std::move(socket));
        }
        waitFor([&] { return done >= (batch + 1) * 20; }, 20000);
    }
    waitFor([] { return false; }, 500);
    return QFileInfo(logFile).size() - before;
}

// Eight strangers write PINGs as fast as the host takes them for 10 s and
// read nothing.
void pingFlood(quint16 port) {
    QByteArray burst;
    for (int i = 0; i < 2000; ++i) {
        burst += frame(FrameType::ping);
    }
    std::vector<std::unique_ptr<QSslSocket>> strangers;
    for (int i = 0; i < 8; ++i) {
        auto socket = std::make_unique<QSslSocket>();
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->setReadBufferSize(1024);
        socket->bind(loopback(2, 0, i + 1));
        socket->connectToHostEncrypted("127.0.0.1", port);
        strangers.push_back(std::move(socket));
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10'000) {
        for (auto& s : strangers) {
            if (s->isEncrypted() && s->bytesToWrite() + s->encryptedBytesToWrite() < 256 * 1024) {
                s->write(burst);
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
}

// One source opens 2,000 connections a second (each dropped after a second);
// after a second of it, the paired phone invites. Milliseconds until it is
// in, or nothing.
std::optional<qint64> phoneDuringFlood(quint16 port) {
    std::deque<std::pair<qint64, std::unique_ptr<QTcpSocket>>> flood;
    QElapsedTimer clock;
    clock.start();
    qint64 opened = 0;
    auto keepFlooding = [&] {
        while (opened < clock.elapsed() * 2) { // 2 a millisecond
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(loopback(3, 0, 1));
            socket->connectToHost("127.0.0.1", port);
            flood.emplace_back(clock.elapsed(), std::move(socket));
            ++opened;
        }
        while (!flood.empty() && flood.front().first < clock.elapsed() - 1000) {
            flood.front().second->abort();
            flood.pop_front();
        }
    };
    while (clock.elapsed() < 1000) {
        keepFlooding();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    auto discovery = std::make_shared<LocalServiceDiscovery>();
    const QString service = QString::fromUtf8(
        TransportServiceType::mvp.data(), static_cast<qsizetype>(TransportServiceType::mvp.size()));
    discovery->addFixed(service, {QStringLiteral("Bench"), QStringLiteral("127.0.0.1"), port});
    MPCTransport::Options options;
    options.discovery = discovery;
    MPCTransport phone("Phone", TransportRole::client, std::string(TransportServiceType::mvp),
                       false, true, options);
    bool connected = false;
    bool gaveUp = false;
    phone.onPeerDiscovered = [&](const TransportPeer& peer) {
        phone.invite(peer, TransportInvitationContext::encode(pairedToken));
    };
    phone.onPeerConnected = [&](const TransportPeer&) { connected = true; };
    phone.onPeerDisconnected = [&](const TransportPeer&) { gaveUp = !connected; };
    const qint64 invitedAt = clock.elapsed();
    phone.start();
    while (!connected && !gaveUp && clock.elapsed() - invitedAt < 10'000) {
        keepFlooding();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const qint64 took = clock.elapsed() - invitedAt;
    std::printf("flood: %lld connections opened from 127.3.0.1 in %.1f s\n",
                static_cast<long long>(opened), clock.elapsed() / 1000.0);
    phone.stop();
    return connected ? std::optional<qint64>(took) : std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!(argc > 1 && std::string(argv[1]) == "--host")) {
        // Host and attackers share a private HOME, so the log is ours alone.
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    }
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--host") {
        return runHost();
    }
    raiseOwnDescriptorLimit();
    auto startHost = [](QProcess& host) -> quint16 {
        host.start(QCoreApplication::applicationFilePath(), {"--host"});
        if (!waitFor([&] { return host.canReadLine(); }, 20000)) {
            return 0;
        }
        return static_cast<quint16>(host.readLine().trimmed().toUInt());
    };
    const QString logFile = QString::fromStdString(DiagnosticLogger::fileURL().string());

    {
        QProcess host;
        const quint16 port = startHost(host);
        if (port == 0) {
            std::fprintf(stderr, "the host did not start\n");
            return 1;
        }
        const long before = memoryOf(host.processId(), "VmRSS:");
        pingFlood(port);
        const long peak = memoryOf(host.processId(), "VmHWM:");
        std::printf("8 strangers flooding PING for 10 s: host resident memory %.1f MB before, "
                    "%.1f MB peak (goal: at most 64 MB)\n",
                    before / 1024.0, peak / 1024.0);
        host.kill();
        host.waitForFinished();
    }
    {
        QProcess host;
        const quint16 port = startHost(host);
        const qint64 bytes = refusedInvitationLogBytes(port, logFile);
        std::printf("1,000 refused invitations from 1,000 addresses: %lld log bytes "
                    "(%.1f KiB; goal: at most 16 KiB)\n",
                    static_cast<long long>(bytes), bytes / 1024.0);
        host.kill();
        host.waitForFinished();
    }
    {
        QProcess host;
        const quint16 port = startHost(host);
        const auto took = phoneDuringFlood(port);
        if (took) {
            std::printf("paired phone during a flood of 2,000 connections a second from one "
                        "address: in after %lld ms (goal: yes, within 2 s)\n",
                        static_cast<long long>(*took));
        } else {
            std::printf("paired phone during a flood of 2,000 connections a second from one "
                        "address: NOT in within 10 s (goal: yes, within 2 s)\n");
        }
        host.kill();
        host.waitForFinished();
    }
    return 0;
}
