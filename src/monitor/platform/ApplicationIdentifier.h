// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillo {

// Tells which running application a process is, as an application identifier
// (a desktop application id such as "org.gnome.Terminal"). Only the process
// that is the application itself answers; its children (the shells in its
// tabs) do not, so an ancestor walk stops at the application.
class ApplicationIdentifier {
public:
    virtual ~ApplicationIdentifier() = default;

    // Nothing when the process is no known application or has no record.
    virtual std::optional<std::string> bundleIdentifier(std::int32_t pid) const = 0;
};

} // namespace quillo
