// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PhoneLinkConsole.h"

#include "networking/HostTransportBridge.h"

#include <QCoreApplication>

#include <ostream>

namespace quillo {

QStringList phoneLinkNotices(const HostTransportBridge& bridge) {
    const MPCTransport& transport = bridge.transport();
    QStringList notices;
    if (auto keptAs = transport.replacedIdentityKeptAs()) {
        notices << QCoreApplication::translate(
                       "PhoneLinkConsole",
                       "本机的连接身份文件已损坏, 已另存为 %1 并生成了新的身份: "
                       "已配对的手机需要重新配对")
                       .arg(QString::fromStdString(keptAs->string()));
    }
    if (auto wanted = transport.portWantedButTaken()) {
        const auto port = transport.pairingPort();
        notices << QCoreApplication::translate("PhoneLinkConsole",
                                               "端口 %1 已被其他程序占用, 手机改用端口 %2 连接 "
                                               "(防火墙规则与手机上保存的配对地址需要随之更新)")
                       .arg(*wanted)
                       .arg(port ? QString::number(*port) : QStringLiteral("?"));
    }
    return notices;
}

void printPhoneLinkStatus(const HostTransportBridge& bridge, std::ostream& out) {
    const MPCTransport& transport = bridge.transport();
    const auto port = transport.listeningPort();
    if (!port) {
        return; // the transport logged why it is not listening
    }
    out << "[quillo] phones connect to port " << *port << "\n";
    for (const QString& notice : phoneLinkNotices(bridge)) {
        out << "[quillo] " << notice.toStdString() << "\n";
    }
    if (auto address = bridge.pairingAddress()) {
        out << QCoreApplication::translate("PhoneLinkConsole", "[quillo] 配对地址: %1")
                   .arg(QString::fromStdString(address->toString()))
                   .toStdString()
            << "\n";
    }
    if (!transport.isPublished()) {
        out << QCoreApplication::translate(
                   "PhoneLinkConsole",
                   "[quillo] 没有运行 DNS-SD 守护进程 (avahi-daemon): 手机无法自动找到此电脑,"
                   "请用配对地址连接")
                   .toStdString()
            << "\n";
    }
    out << std::flush;
}

} // namespace quillo
