// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParsedHookEvent.h"
#include "Timestamp.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::HookEnvelope {

// The line format of the events file, shared by the writer (the recorder) and
// the reader (the monitor) so the two can never disagree. Both are pure.

// The complete line, trailing line feed included: a compact JSON object with
// "recorded_at", "raw" and, when given, "claude_pid", "pid_chain" and
// "shell_tty". Nothing when the payload cannot be written as JSON.
std::optional<std::string> encodeLine(const nlohmann::json& rawPayload, Timestamp recordedAt,
                                      std::optional<std::int32_t> claudePID,
                                      const std::optional<std::vector<std::int32_t>>& pidChain,
                                      const std::optional<std::string>& shellTTY);

// One line without its line feed. Nothing when the line is not a usable event:
// not a JSON object, or no event name or session id in its payload. Members of
// the wrong type count as absent.
std::optional<ParsedHookEvent> parseLine(std::string_view line);

// The same, with the time used when the line carries no "recorded_at".
std::optional<ParsedHookEvent> parseLine(std::string_view line, Timestamp parsedAt);

} // namespace quillo::HookEnvelope
