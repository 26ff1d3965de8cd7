// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transport/PairingAddress.h"

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

class QApplication;
class QIcon;

namespace quillo {

class DiagnosticLogWindowController;
class AppLanguageManager;
class HookHealthMonitor;
class HostTransportBridge;
class KeyboardShortcuts;
class LaunchAtLogin;
class DBusNotifier;
class OpenQuestions;
class SessionNotices;
class X11WindowSystem;
class OnboardingPresenter;
class ProcessStateStore;
class FileRevealer;
class OnboardingWindowController;
class SettingsStore;
class SettingsWindowController;
class SoftwareUpdateController;
class StatusBarShell;
class TrustDialog;
class X11HotKeyService;
struct SettingsServices;

// Where the desktop interface runs. Its window activation and global shortcut
// need X11, so with an X server (XWayland included) it is xcb whatever the
// session's QT_QPA_PLATFORM says (Sway and Hyprland sessions often say
// "wayland"); QUILLO_QT_PLATFORM overrides that choice. Without DISPLAY, a
// non-Wayland QT_QPA_PLATFORM (offscreen, vnc) is taken as asked; a Wayland
// session without XWayland has no desktop interface.
struct DesktopPlatform {
    enum class Kind {
        qt,          // run the interface on `plugin`
        noDisplay,   // no display at all
        waylandOnly, // Wayland without XWayland
    };
    Kind kind = Kind::noDisplay;
    QByteArray plugin;
};
// `variable` reads the environment (a test's stand-in).
DesktopPlatform chooseDesktopPlatform(const std::function<QByteArray(const char*)>& variable =
                                          [](const char* name) { return qgetenv(name); });

// Whether a window can be shown (chooseDesktopPlatform finds a platform).
bool desktopAvailable();

// The application object for the desktop interface on the platform
// chooseDesktopPlatform picks, with the dark palette and the icon font; closing
// the last window does not quit.
std::unique_ptr<QApplication> makeDesktopApplication(int& argc, char** argv);

// Quillo's icon, "com.quillo.mac": from the icon theme where it is installed,
// else the copy built into the program.
QIcon applicationIcon();

// The windows of the monitor and what they observe, next to the headless
// parts: the hook health monitor, the settings window and what its panes
// change, the global shortcut, the trust dialog, and (once the phone link
// exists) the status item with its dashboard.
class DesktopShell {
public:
    // What the shell is given by the rest of the monitor; may stay empty.
    struct Links {
        SoftwareUpdateController* updates;
        std::function<void()> relaunch;
    };

    explicit DesktopShell(SettingsStore& settings, Links links = {nullptr, {}});
    ~DesktopShell();

    // Starts the hook health monitor.
    void start();
    // The status item and the dashboard, following the store and the bridge,
    // and the desktop notices of waiting sessions.
    void createStatusBar(ProcessStateStore& store, HostTransportBridge* bridge,
                         OpenQuestions& questions);

    // Where a phone reaches this computer (the phone link's pairing address),
    // for the panes that show or check it. Until it is set they show that
    // there is none.
    void setPhoneLinkSources(std::function<bool()> phoneConnected,
                             std::function<QStringList()> notices) {
        phoneConnected_ = std::move(phoneConnected);
        phoneLinkNotices_ = std::move(notices);
    }
    void setPairingAddressSource(std::function<std::optional<PairingAddress>()> source) {
        pairingAddress_ = std::move(source);
    }

    HookHealthMonitor& health() { return *health_; }
    SettingsWindowController& settingsWindow() { return *settingsWindow_; }
    DiagnosticLogWindowController& diagnosticsWindow() { return *diagnosticsWindow_; }
    KeyboardShortcuts& shortcuts() { return *shortcuts_; }
    LaunchAtLogin& launchAtLogin() { return *launchAtLogin_; }
    TrustDialog& trustDialog() { return *trust_; }
    StatusBarShell* statusBar() const { return statusBar_.get(); }
    DBusNotifier& notifier() { return *notifier_; }
    // The desktop notices of waiting sessions; none before the status bar.
    SessionNotices* notices() const { return notices_.get(); }
    // The first-run guide, for start-up and the about pane.
    OnboardingPresenter* onboarding() const;

private:
    // What the settings panes are given.
    SettingsServices settingsServices(SettingsStore& settings) const;

    std::function<std::optional<PairingAddress>()> pairingAddress_;
    std::function<bool()> phoneConnected_;
    std::function<QStringList()> phoneLinkNotices_;
    Links links_;
    std::unique_ptr<HookHealthMonitor> health_;
    std::unique_ptr<DiagnosticLogWindowController> diagnosticsWindow_;
    std::unique_ptr<X11HotKeyService> hotKeys_;
    std::unique_ptr<KeyboardShortcuts> shortcuts_;
    std::unique_ptr<LaunchAtLogin> launchAtLogin_;
    std::unique_ptr<AppLanguageManager> languages_;
    std::unique_ptr<TrustDialog> trust_;
    std::unique_ptr<FileRevealer> fileRevealer_;
    std::unique_ptr<DBusNotifier> notifier_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<OnboardingWindowController> onboarding_;
    std::unique_ptr<StatusBarShell> statusBar_;
    std::unique_ptr<X11WindowSystem> windows_;
    std::unique_ptr<SessionNotices> notices_;
    SettingsStore& settings_;
};

} // namespace quillo
