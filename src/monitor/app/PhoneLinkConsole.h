// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>

namespace quillo {

class HostTransportBridge;

// What the headless monitor says about the phone link at start: the port, the
// pairing address, and whether phones can find this computer by themselves.
void printPhoneLinkStatus(const HostTransportBridge& bridge, std::ostream& out);

} // namespace quillo
