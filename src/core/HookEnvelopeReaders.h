// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ParsedHookEvent.h"
#include "Timestamp.h"

#include <optional>
#include <string_view>

namespace quillo::HookEnvelope {

// The two readers behind parseLine, apart so that they can be compared.

// Parses the line with simdjson's DOM parser and reads the members an event
// needs from its tape. The outer optional is empty
// where it cannot decide: anything it does not read the way the streaming
// reader does (unpaired surrogate escapes, integers beyond 64 bits, deeper
// nesting than it allows, any error); the streaming reader decides those.
std::optional<std::optional<ParsedHookEvent>> parseLineFast(std::string_view line,
                                                            Timestamp parsedAt);

// The instruction-set kernel that simdjson chose for this machine at run time
// (for example "icelake", "haswell", "westmere" or "fallback"): the fast
// reader's whole parse runs on it.
std::string_view fastReaderKernel();

// The streaming reader on nlohmann's parser: slower, and decides every line.
std::optional<ParsedHookEvent> parseLineStreaming(std::string_view line, Timestamp parsedAt);

} // namespace quillo::HookEnvelope
