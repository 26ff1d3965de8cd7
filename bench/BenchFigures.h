// SPDX-License-Identifier: GPL-3.0-or-later
// What several benchmarks share to turn their samples into figures.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quillo::bench {

// The `p` quantile (0 to 1) of `values`, the nearest sample.
inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

} // namespace quillo::bench
