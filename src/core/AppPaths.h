// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace quillo::AppPaths {

// The one place that knows where Quillo keeps its files. Both programs compute
// the same directories from the environment, so the recorder and the monitor
// always meet in the same place. Reading a path creates or examines nothing.

// $XDG_DATA_HOME/quillo, else ~/.local/share/quillo (home from $HOME, else the
// password database).
std::filesystem::path appSupportDirectory();
std::filesystem::path eventsLogFile();
std::filesystem::path hookDebugLog();

// $XDG_CONFIG_HOME/quillo, else ~/.config/quillo: the monitor's settings.
std::filesystem::path configDirectory();

// $XDG_STATE_HOME/quillo, else ~/.local/state/quillo: crash reports.
std::filesystem::path stateDirectory();

// The user's home directory: $HOME, else the password database.
std::filesystem::path homeDirectory();

// Creates the application-support directory with mode 0700 when missing and
// tightens it to 0700 when it exists. False when either step fails.
bool ensureAppSupportDirectory();

// Creates `directory` (and missing parents) and sets it to mode 0700.
bool ensurePrivateDirectory(const std::filesystem::path& directory);

} // namespace quillo::AppPaths
