// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>

#include <chrono>
#include <functional>

namespace quillo::test {

// Tests of Qt code need an application object and its event loop; the first
// call makes one that lives until the test program ends.
QCoreApplication& qtApp();

// Runs the event loop until `done` holds or `limit` passes; returns `done()`.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

// Runs the event loop for a while (for "nothing happens" checks).
void spin(std::chrono::milliseconds duration);

} // namespace quillo::test
