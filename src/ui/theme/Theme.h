// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace quillo::Theme {

// The interface's one dark palette. Each colour is computed on first use and
// then reused.
const QColor& bgDeepest();
const QColor& bgBase();
const QColor& bgRaised();
const QColor& lineSoft();
const QColor& fg();
const QColor& fgMuted();
const QColor& fgDim();
const QColor& fgFaint();
const QColor& statusActive();
const QColor& statusActiveGlow();
const QColor& statusInput();
const QColor& statusInputGlow();
const QColor& statusPerm();
const QColor& statusPermGlow();
const QColor& statusPermDim();
const QColor& statusUnknown();
const QColor& accent();
const QColor& cardHighlightSoft();
const QColor& cardOuterShadow3();

} // namespace quillo::Theme
