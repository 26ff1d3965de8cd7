// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogger.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace quillo {

// What the diagnostics window reads, clears and exports: the monitor's
// diagnostic log, or sample entries for the render mode and tests.
struct DiagnosticLogSource {
    // The entries of the last 24 hours, newest first. Safe to call off the
    // main thread.
    std::function<std::vector<DiagnosticLogger::Entry>()> load;
    // How much `load` has to read: a large log is read in the background.
    std::function<std::uintmax_t()> bytesToRead;
    std::function<void()> clear;
    // Writes the whole log to `destination`; false when nothing was written.
    std::function<bool(const std::filesystem::path& destination)> exportTo;
    // Shown under the list.
    std::filesystem::path file;
};

// diagnostic.log in the application-support directory (with the part before
// its last size cap, which is read and exported with it).
DiagnosticLogSource systemDiagnosticLog();

// Fixed entries held in memory; clearing empties them, exporting writes them
// as JSON lines.
DiagnosticLogSource memoryDiagnosticLog(std::vector<DiagnosticLogger::Entry> entries,
                                        std::filesystem::path file);

} // namespace quillo
