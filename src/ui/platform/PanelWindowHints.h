// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace quillo {

// Asks the window manager to keep a floating panel on every virtual desktop,
// above other windows and out of the task bar and pager. Qt has no call for
// "every desktop", so on X11 the EWMH hints are set on the native window before
// it is first shown (Qt adds its own states to these when it maps the window).
// Elsewhere it does nothing.
void setFloatingPanelHints(QWidget& window);

} // namespace quillo
