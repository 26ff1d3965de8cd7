// SPDX-License-Identifier: GPL-3.0-or-later
#include "DebugTree.h"

#include <ostream>

namespace quillo {

int runDebugTree(std::int32_t pid, const ProcessTreeResolver::Sources& sources, std::ostream& out) {
    out << "Resolving tree from pid=" << pid << ":\n";
    auto location =
        ProcessTreeResolver::resolve(std::nullopt, pid, std::nullopt, true, sources, out);
    out << "Result: " << ProcessTreeResolver::describe(location) << "\n";
    out.flush();
    return 0;
}

} // namespace quillo
