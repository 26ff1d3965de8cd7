// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

#include <chrono>
#include <functional>

namespace quillo::test {

// Widget tests need a QApplication; the first call makes one on the offscreen
// platform (no display needed) that lives until the test program ends.
QApplication& uiApp();

// Runs the event loop until `done` holds or `limit` passes; returns `done()`.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

} // namespace quillo::test
