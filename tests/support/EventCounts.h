// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quillo::test {

// The stress tests name their events "<recorder>-<sequence>"; every one of them
// must have been seen exactly once, and nothing else.
inline void expectEachEventOnce(const std::map<std::string, int>& seen, int recorders,
                                int eventsPerRecorder) {
    int missing = 0;
    int duplicated = 0;
    for (int w = 0; w < recorders; ++w) {
        for (int i = 0; i < eventsPerRecorder; ++i) {
            auto it = seen.find(std::to_string(w) + "-" + std::to_string(i));
            if (it == seen.end()) {
                ++missing;
            } else if (it->second != 1) {
                ++duplicated;
            }
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(duplicated, 0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(recorders * eventsPerRecorder));
}

} // namespace quillo::test
