// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogger.h"

#include <vector>

namespace quillo::DiagnosticLogSamples {

// Entries of every severity and every pill category, newest first, within an
// hour before `at`: what the render mode shows in the diagnostics window.
std::vector<DiagnosticLogger::Entry> entries(Timestamp at);

} // namespace quillo::DiagnosticLogSamples
