// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <iosfwd>

namespace quillo {

class HostTransportBridge;

// What the headless monitor says about the phone link at start: the port, the
// pairing address, and whether phones can find this computer by themselves.
void printPhoneLinkStatus(const HostTransportBridge& bridge, std::ostream& out);

// What the user must know about the link beyond the diagnostic log: a damaged
// identity that was replaced (paired phones must pair again), the usual port
// taken by another program (a firewall rule or a saved address no longer
// fits). Each a translated sentence, also shown in the paired phones pane.
QStringList phoneLinkNotices(const HostTransportBridge& bridge);

} // namespace quillo
