// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport/PairingAddress.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace quillo {

class AppLanguageManager;
class FileRevealer;
class HookHealthMonitor;
class KeyboardShortcuts;
class LaunchAtLogin;
class Notifier;
class SettingsStore;
class SoftwareUpdateController;
namespace HookInstaller {
struct Setup;
}

// What the settings panes work with. The desktop shell fills it in; a member
// left empty (render mode, tests) makes its pane show what it can without it,
// never crash. Pointers are not owned and outlive the settings window.
struct SettingsServices {
    SettingsStore* settings = nullptr;
    const HookHealthMonitor* health = nullptr;

    // General: launch at login, language, updates.
    KeyboardShortcuts* shortcuts = nullptr;
    LaunchAtLogin* launchAtLogin = nullptr;
    // Switches launch at login on or off (onboarding, the danger zone).
    std::function<void(bool)> setLaunchAtLogin;
    AppLanguageManager* languages = nullptr;
    SoftwareUpdateController* updates = nullptr;
    // Set when Quillo runs from its build folder rather than an installation:
    // onboarding then leaves start at login off and says where the hook points.
    std::optional<std::filesystem::path> buildFolder;
    // Starts a new monitor and quits this one.
    std::function<void()> relaunch;
    // The desktop's notification service; none: the notice switches are off
    // and say that no service is there.
    Notifier* notifier = nullptr;

    // Hooks, paired phones, terminals and the system checks.
    // Where the hook pane and onboarding install. None: the user's own
    // settings file and this recorder, with Claude Code's version looked up
    // off the main thread (it may take seconds).
    std::shared_ptr<const HookInstaller::Setup> hookSetup;
    // Checks the hooks' health again at once, after they were written.
    std::function<void()> recheckHooks;
    // Looks again, in the background, for hook events the installed Claude
    // Code supports that are not registered (see HookHealthMonitor).
    std::function<void()> recheckClaudeCodeEvents;
    // Shows a file in the file manager; none: the reveal button does nothing.
    FileRevealer* fileRevealer = nullptr;
    // Paired phones, terminals, system checks, onboarding's phone page.
    // Where a phone reaches this computer; nothing while the phone link does
    // not listen. Also gives the system checks the port to look at.
    std::function<std::optional<PairingAddress>()> pairingAddress;
    // Whether a phone is connected now (the link does not listen meanwhile).
    std::function<bool()> phoneConnected;
    // What the user must know about the phone link (a replaced identity, a
    // taken port), one sentence each; shown in the paired phones pane.
    std::function<QStringList()> phoneLinkNotices;

    // About, diagnostics, feedback and the danger zone.
    // The project's home page, shown with a button that opens it; empty: no
    // such row.
    QString homePage;
    std::function<void(const QUrl&)> openUrl;
    std::function<void()> showDiagnostics;
    std::function<void()> presentFeedback;
    std::function<void()> showOnboarding;
    // Opens the dashboard (left open when it is already); the first-run
    // guide's last button ends with it.
    std::function<void()> showDashboard;
    // Resets the global shortcut through the shortcut registry, releasing its
    // key grab; empty where no registry runs.
    std::function<void()> resetShortcut;
};

} // namespace quillo
