// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

namespace quillo::CrashHandler {

// A fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) leaves a short
// report in the crash folder before the process dies the usual way: the time,
// the version, the signal, a backtrace and the last lines of the diagnostic
// log. The user attaches it to a feedback report.
//
// Everything the handler needs is prepared at install time; at crash time it
// only opens, reads and writes files on fixed buffers, so it works however
// broken the heap is.

struct Settings {
    std::filesystem::path folder;        // created 0700; reports are 0600
    std::string programName;             // the report's name: <programName>-<UTC time>.crash
    std::string version;                 // as shown in the report, e.g. "v0.1.0 (42)"
    std::filesystem::path diagnosticLog; // its tail goes into the report; empty: none
};

// The monitor's settings: $XDG_STATE_HOME/quillo/crashes, "QuilloMac", the
// compiled-in version and the diagnostic log.
Settings monitorSettings();

// $XDG_STATE_HOME/quillo/crashes (default ~/.local/state/quillo/crashes).
std::filesystem::path crashFolder();

// Installs the handler (once per process; later calls replace the settings).
// False when a path does not fit the fixed buffers or the folder cannot be
// made; the handler is then not installed.
bool install(const Settings& settings);
inline bool install() {
    return install(monitorSettings());
}

} // namespace quillo::CrashHandler
