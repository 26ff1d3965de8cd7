// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SettingsStore.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quillo {

// The command-line modes for paired phones, which need no display:
//   --list-pairings   one "[quillo] " line per paired phone
//   --unpair NAME     forgets that phone (exit 1 when it was not paired)
// Nothing when `arguments` (program name first) asks for neither; otherwise
// the exit code, after printing to `out`.
std::optional<int> runPairingCommand(const std::vector<std::string>& arguments,
                                     SettingsStore& settings, std::ostream& out);

// Whether `arguments` asks for one of these modes.
bool isPairingCommand(const std::vector<std::string>& arguments);

} // namespace quillo
