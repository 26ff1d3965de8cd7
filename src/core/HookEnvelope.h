// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParsedHookEvent.h"
#include "Timestamp.h"

#include <nlohmann/json.hpp>

#include <cstddef>
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

// How many bytes after a line appendPaddedLine may read (their values do not
// matter; they must only belong to the same allocation).
inline constexpr std::size_t linePadding = 64;

// parseLine for a line read where it lies, in a buffer that holds at least
// linePadding more bytes after it: no copy of the line is made, and its event,
// if it makes one, is added to the end of `events`.
void appendPaddedLine(std::string_view line, Timestamp parsedAt,
                      std::vector<ParsedHookEvent>& events);

} // namespace quillo::HookEnvelope
