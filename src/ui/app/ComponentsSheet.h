// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <memory>

namespace quillo {

// One sheet with every shared component in every state and style, the palette,
// the symbols and the type sizes: the place to look at them together.
std::unique_ptr<QWidget> makeComponentsSheet();

} // namespace quillo
