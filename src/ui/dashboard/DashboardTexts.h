// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "Timestamp.h"

#include <QColor>
#include <QString>

namespace quillo::DashboardTexts {

// The state as a row names it, and its colour.
QString stateLabel(ProcessState state);
QColor stateColor(ProcessState state);

// How long a session has been in its state: whole seconds from `since` to `now`
// (truncated, never negative) as "N 秒", "M 分 [S 秒]" or "H 小时 [M 分 [S 秒]]".
QString durationText(Timestamp since, Timestamp now);
long long wholeSecondsBetween(Timestamp since, Timestamp now);

// The header's lines.
QString connectionText(int peerCount);
QString processCountText(std::size_t processCount);

// "v" and the short version; "v0.1.0" when the build has none.
QString versionString(const QString& shortVersion);

// The version this build carries.
QString buildShortVersion();

} // namespace quillo::DashboardTexts
