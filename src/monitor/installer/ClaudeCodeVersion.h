// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

// A Claude Code release number, major.minor.patch. Which hook events the
// installer may register depends on it: an event name that the installed Claude
// Code does not know makes it show a blocking warning at every start.
struct ClaudeCodeVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    auto operator<=>(const ClaudeCodeVersion&) const = default;

    std::string text() const;

    // Exactly "X.Y.Z", optionally followed by a "-pre-release" or "+build"
    // suffix (a folder name, a package.json "version").
    static std::optional<ClaudeCodeVersion> parse(std::string_view text);
    // The first "X.Y.Z" standing on its own inside `text` ("2.1.197 (Claude Code)").
    static std::optional<ClaudeCodeVersion> find(std::string_view text);
};

} // namespace quillo
