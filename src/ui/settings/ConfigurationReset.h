// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <functional>

namespace quillo {

class SettingsStore;

// Puts Quillo back into its first-run state: the danger zone's "清理并重启".
// Every step ignores its own failure and the later steps run regardless, so the
// application always ends up restarting.
namespace ConfigurationReset {

struct Services {
    SettingsStore* settings = nullptr;
    // Removes every own hook group from ~/.claude/settings.json. Empty: the
    // installer on the user's settings file.
    std::function<void()> uninstallHooks;
    std::function<void(bool)> setLaunchAtLogin;
    // Resets the global shortcut through the shortcut registry, which also
    // releases its key grab. Empty (no registry in this process, so nothing is
    // grabbed): the stored shortcut is removed from the settings.
    std::function<void()> resetShortcut;
    std::function<void()> relaunch;
};

// The preferences the reset removes (the pairings, onboarding and start-up
// flags, the dashboard's and the updater's choices). The display-language
// override is not among them: the restarted application keeps the user's
// language.
QStringList preferenceKeys();

// In this order: hooks, autostart, pairings, shortcut, preferences (the
// settings file goes when nothing is left in it), the application-support
// directory emptied and made again, the crash reports, relaunch. The backups of
// Claude Code's settings file stay next to it.
void perform(const Services& services);

} // namespace ConfigurationReset
} // namespace quillo
