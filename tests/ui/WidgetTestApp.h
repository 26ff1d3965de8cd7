#pragma once

#include <QApplication>

namespace quillo::test {

// One offscreen QApplication for the widget tests, with the icon font loaded.
QApplication& widgetApp();

} // namespace quillo::test
