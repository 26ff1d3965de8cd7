// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillo::PairedClientStorage {

// The phones the user has trusted, with the pairing token each presented, in
// the user's settings. Nothing is kept in memory: every operation reads, changes
// and writes back at once. A phone is known by its display name alone.

inline constexpr const char* displayNamesKey = "paired.client.displayNames";
inline constexpr const char* tokensKey = "paired.client.tokensByDisplayName";

// Stores the token under the name (replacing an earlier one), then adds the
// name to the sorted list. Nothing happens when either is empty.
void add(SettingsStore& settings, const std::string& displayName, const std::string& token);

// Takes the name out of the list, then deletes its token.
void remove(SettingsStore& settings, const std::string& displayName);

// True only when a non-empty token was given and equals the stored, non-empty
// token exactly. The comparison takes the same time wherever the tokens differ.
bool contains(const SettingsStore& settings, const std::string& displayName,
              const std::optional<std::string>& token);

// The phones a settings pane lists: the names with a token, restricted to the
// name list when that is not empty, sorted.
std::vector<std::string> listedDisplayNames(const SettingsStore& settings);

// The stored token table; a missing or malformed entry reads as empty.
std::map<std::string, std::string> tokensByDisplayName(const SettingsStore& settings);

// Equality of two secrets without an early exit on the first difference.
bool constantTimeEquals(const std::string& a, const std::string& b);

} // namespace quillo::PairedClientStorage
