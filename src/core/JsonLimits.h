// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillo::JsonLimits {

// The deepest nesting that is read into a document and written back out: a
// value may sit inside at most this many arrays and objects. Readers and
// writers share it, so whatever was read can always be written. It also keeps
// hostile input from exhausting the stack of the recursive writer.
inline constexpr int maxDepth = 512;

} // namespace quillo::JsonLimits
