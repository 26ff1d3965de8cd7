// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "DashboardModel.h"
#include "Timestamp.h"

#include <vector>

namespace quillo::DashboardSamples {

// The moment the sample durations are measured from.
inline const Timestamp sampleNow = timestampFromSeconds(1'800'000'000);

// Sessions in every state, in start order, one of them without a terminal.
std::vector<ClaudeProcess> sessions();

// The open question of the session that waits for a permission decision.
RowQuestions questions();

} // namespace quillo::DashboardSamples
