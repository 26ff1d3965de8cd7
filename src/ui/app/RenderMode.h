// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CommandLine.h"

#include <iosfwd>

namespace quillo {

// `QuilloMac --render`: draws one view offscreen into a PNG, or lists the view
// names. Exit status 0 on success, 2 for an unknown name, 1 when the image
// cannot be written.
int runRenderMode(const RenderOptions& options, int argc, char** argv, std::ostream& out,
                  std::ostream& err);

} // namespace quillo
