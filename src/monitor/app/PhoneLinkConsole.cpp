// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PhoneLinkConsole.h"

#include "networking/HostTransportBridge.h"

#include <QCoreApplication>

#include <ostream>

namespace quillo {

void printPhoneLinkStatus(const HostTransportBridge& bridge, std::ostream& out) {
    const MPCTransport& transport = bridge.transport();
    const auto port = transport.listeningPort();
    if (!port) {
        return; // the transport logged why it is not listening
    }
    out << "[quillo] phones connect to port " << *port << "\n";
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
