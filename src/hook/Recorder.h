// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PermissionQuestion.h"

#include <nlohmann/json.hpp>

#include <optional>

#include <cstdint>
#include <string>
#include <string_view>

namespace quillo::Recorder {

// The events file is trimmed when it grows past this (only when no monitor runs
// for a long time), keeping the newest lines.
inline constexpr std::uintmax_t trimThreshold = 104'857'600; // 100 MiB
inline constexpr std::uintmax_t trimKeepBytes = 10'485'760;  // 10 MiB

// The payload as the envelope's "raw": the parsed JSON value (a bare string or
// number is fine; unpaired surrogate escapes read as U+FFFD; arrays and objects
// too deep to be written inside the envelope are left out), else the input as
// text, else (not UTF-8) the empty string.
nlohmann::json payloadFromInput(std::string_view input);

// One whole run: read standard input, learn about the caller, append one line.
// Silent; never throws. Returns the question the event asks, for a
// PermissionRequest: the caller puts it to the monitor once it is recorded.
std::optional<PermissionQuestion::Question> run();

} // namespace quillo::Recorder
