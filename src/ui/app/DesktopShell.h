#pragma once

#include <memory>

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

    HookHealthMonitor& health() { return *health_; }
    SettingsWindowController& settingsWindow() { return *settingsWindow_; }
    // The first-run guide, for start-up and the about pane.
    OnboardingPresenter* onboarding();

private:
    // What the settings panes are given.
    SettingsServices settingsServices(SettingsStore& settings) const;

    std::unique_ptr<HookHealthMonitor> health_;
    std::unique_ptr<FileRevealer> fileRevealer_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<OnboardingWindowController> onboarding_;
};

} // namespace quillo
