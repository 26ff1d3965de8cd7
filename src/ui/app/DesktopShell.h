#pragma once

#include "transport/PairingAddress.h"

#include <functional>
#include <memory>
#include <optional>

class QApplication;

namespace quillo {

class FileRevealer;
class HookHealthMonitor;
class OnboardingPresenter;
class OnboardingWindowController;
class SettingsStore;
class SettingsWindowController;
struct SettingsServices;

// Whether a window can be shown: an X11 or Wayland display, or a Qt platform
// chosen explicitly through QT_QPA_PLATFORM.
bool desktopAvailable();

// The application object for the desktop interface: the xcb platform unless
// QT_QPA_PLATFORM says otherwise (windows can be placed and keys grabbed
// there), the dark palette, the icon font; closing the last window does not
// quit.
std::unique_ptr<QApplication> makeDesktopApplication(int& argc, char** argv);

// The windows of the monitor and what they observe, next to the headless parts.
// For now it opens the settings window at start.
class DesktopShell {
public:
    explicit DesktopShell(SettingsStore& settings);
    ~DesktopShell();

    void start();

    // Where a phone reaches this computer (the phone link's pairing address),
    // for the panes that show or check it. Until it is set they show that
    // there is none.
    void setPairingAddressSource(std::function<std::optional<PairingAddress>()> source) {
        pairingAddress_ = std::move(source);
    }

    HookHealthMonitor& health() { return *health_; }
    SettingsWindowController& settingsWindow() { return *settingsWindow_; }
    // The first-run guide, for start-up and the about pane.
    OnboardingPresenter* onboarding();

private:
    // What the settings panes are given.
    SettingsServices settingsServices(SettingsStore& settings) const;

    std::function<std::optional<PairingAddress>()> pairingAddress_;
    std::unique_ptr<HookHealthMonitor> health_;
    std::unique_ptr<FileRevealer> fileRevealer_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<OnboardingWindowController> onboarding_;
};

} // namespace quillo
