// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <memory>

namespace quillo {

// Every status icon variant on a light and a dark bar, at scale 1 (actual size)
// and at scale 2 (drawn twice as large), to look at them side by side.
std::unique_ptr<QWidget> makeStatusIconSheet();

} // namespace quillo
