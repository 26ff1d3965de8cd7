// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeVersionSource.h"

namespace quillo {

// Answers a fixed version (or none): for tests.
class FakeClaudeVersionSource : public ClaudeVersionSource {
public:
    explicit FakeClaudeVersionSource(std::optional<ClaudeCodeVersion> version = std::nullopt)
        : version_(version) {}

    std::optional<ClaudeCodeVersion> installedVersion() const override { return version_; }

private:
    std::optional<ClaudeCodeVersion> version_;
};

} // namespace quillo
