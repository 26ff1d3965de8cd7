// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <sys/resource.h>

namespace quillo {

// Raises this process's soft limit on open descriptors to the hard one. The
// usual soft limit (1024) is a few seconds of a connection flood away; the
// phone link must still have room to answer a real phone meanwhile. Gives the
// soft limit now in force, or nothing when it cannot be read.
std::optional<rlim_t> raiseDescriptorLimit();

} // namespace quillo
