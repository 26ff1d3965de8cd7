// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApplicationIdentifier.h"

#include <map>

namespace quillo {

// Answers from a fixed table: for tests and benchmarks that stand in for a
// desktop.
class FakeApplicationIdentifier : public ApplicationIdentifier {
public:
    void set(std::int32_t pid, std::string identifier) { table_[pid] = std::move(identifier); }

    std::optional<std::string> bundleIdentifier(std::int32_t pid) const override {
        auto it = table_.find(pid);
        if (it == table_.end()) {
            return std::nullopt;
        }
        return it->second;
    }

private:
    std::map<std::int32_t, std::string> table_;
};

} // namespace quillo
