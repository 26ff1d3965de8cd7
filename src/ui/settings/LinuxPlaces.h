// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <filesystem>

namespace quillo::LinuxPlaces {

// Where Quillo keeps things on this computer, written as a user reads paths:
// under the home folder as "~/…", folders with a trailing "/". The texts of
// the about and danger-zone panes name them, so they follow XDG_* settings.

QString homeRelative(const std::filesystem::path& path, bool folder);

QString appSupportFolder(); // ~/.local/share/quillo/
QString settingsFile();     // ~/.config/quillo/QuilloMac.conf
QString crashFolder();      // ~/.local/state/quillo/
QString configFolder();     // ~/.config/quillo/
QString autostartFile();    // ~/.config/autostart/com.quillo.mac.agent.desktop
QString claudeSettingsFolder(); // ~/.claude/ (the settings file and its backups)

} // namespace quillo::LinuxPlaces
