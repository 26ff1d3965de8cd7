// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace quillo {

// Gives Qt's own controls (scroll bars, buttons, text fields) the interface's
// dark palette, so that they sit quietly in the windows drawn with `Theme`.
void applyDarkPalette(QApplication& application);

} // namespace quillo
