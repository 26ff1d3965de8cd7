#include "DesktopShell.h"

#include "installer/HookHealthMonitor.h"
#include "onboarding/OnboardingWindowController.h"
#include "platform/FileRevealer.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsWindowController.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>

namespace quillo {

bool desktopAvailable() {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(variable)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<QApplication> makeDesktopApplication(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    applyDarkPalette(*app);
    Symbols::loadFont();
    return app;
}

DesktopShell::DesktopShell(SettingsStore& settings)
    : health_(std::make_unique<HookHealthMonitor>(settings)),
      fileRevealer_(std::make_unique<DesktopFileRevealer>()),
      settingsWindow_(
          std::make_unique<SettingsWindowController>(*health_, settingsServices(settings))),
      // No launch-at-login service is given yet: finishing the guide then
      // leaves autostart, and the record that it was switched on, alone.
      onboarding_(std::make_unique<OnboardingWindowController>(settingsServices(settings),
                                                               std::function<void(bool)>())) {}

OnboardingPresenter* DesktopShell::onboarding() {
    return onboarding_.get();
}

SettingsServices DesktopShell::settingsServices(SettingsStore& settings) const {
    SettingsServices services;
    services.settings = &settings;
    services.health = health_.get();
    HookHealthMonitor* health = health_.get();
    services.recheckHooks = [health] { health->checkNow(); };
    services.fileRevealer = fileRevealer_.get();
    services.pairingAddress = [this]() -> std::optional<PairingAddress> {
        return pairingAddress_ ? pairingAddress_() : std::nullopt;
    };
    return services;
}

DesktopShell::~DesktopShell() = default;

void DesktopShell::start() {
    health_->start();
    settingsWindow_->show();
}

} // namespace quillo
