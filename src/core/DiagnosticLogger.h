// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Timestamp.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::DiagnosticLogger {

// A small structured log of the monitor's notable events (pairing decisions,
// failed switches, pruned sessions), kept for a day so the user can look at it
// and attach it to a report. JSON Lines in diagnostic.log; writes never fail
// loudly.

enum class Severity { info, warning, error };

std::string_view rawValue(Severity severity);
std::optional<Severity> severityFromRaw(std::string_view raw);

using Context = std::map<std::string, std::string>;

struct Entry {
    std::string id; // upper-case UUID
    Timestamp timestamp{};
    Severity severity = Severity::info;
    std::string category;
    std::string message;
    Context context;

    bool operator==(const Entry&) const = default;
};

// Writes one entry (fresh UUID, current time) and returns once it is on disk.
// Safe from any thread; concurrent entries never interleave.
void log(Severity severity, std::string_view category, std::string_view message,
         const Context& context = {});
void info(std::string_view category, std::string_view message, const Context& context = {});
void warn(std::string_view category, std::string_view message, const Context& context = {});
void error(std::string_view category, std::string_view message, const Context& context = {});

// The entries of the last 24 hours, newest first. Lines that do not decode (a
// torn last line, foreign text) are skipped.
std::vector<Entry> recentEntries();
std::vector<Entry> recentEntries(Timestamp at);

// Deletes the log; a missing file is not an error.
void clear();

std::filesystem::path fileURL();
// The log before the last size cap ("diagnostic.log.1"); read with the log.
std::filesystem::path previousFile();

// One entry as its JSON line (without the line feed), and back.
std::optional<std::string> encodeEntry(const Entry& entry);
std::optional<Entry> decodeEntry(std::string_view line);

std::string makeUUID();

} // namespace quillo::DiagnosticLogger
