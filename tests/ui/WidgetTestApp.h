// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace quillo::test {

// One offscreen QApplication for the widget tests, with the icon font loaded.
QApplication& widgetApp();

} // namespace quillo::test
