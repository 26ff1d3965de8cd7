// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopShell.h"

#include "KeyboardShortcuts.h"
#include "OnboardingPresenter.h"
#include "TrustDialog.h"
#include "X11HotKeyService.h"
#include "app/AppLanguageManager.h"
#include "diagnostics/DiagnosticLogWindowController.h"
#include "diagnostics/FeedbackComposer.h"
#include "installer/HookHealthMonitor.h"
#include "onboarding/OnboardingWindowController.h"
#include "platform/FileRevealer.h"
#include "platform/LaunchAtLogin.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsWindowController.h"
#include "statusbar/StatusBarShell.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>
#include <QIcon>

namespace quillo {

QIcon applicationIcon() {
    // The installed icon theme's first; the built-in copy serves a run from the
    // build folder.
    QIcon builtIn;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        builtIn.addFile(QStringLiteral(":/icons/%1x%1/apps/com.quillo.mac.png").arg(size),
                        QSize(size, size));
    }
    return QIcon::fromTheme(QStringLiteral("com.quillo.mac"), builtIn);
}

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
    // Ties the windows to the menu entry, for the task switcher's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillo.mac"));
    QApplication::setWindowIcon(applicationIcon());
    applyDarkPalette(*app);
    Symbols::loadFont();
    return app;
}

DesktopShell::DesktopShell(SettingsStore& settings, Links links)
    : links_(std::move(links)), health_(std::make_unique<HookHealthMonitor>(settings)),
      diagnosticsWindow_(std::make_unique<DiagnosticLogWindowController>()),
      hotKeys_(std::make_unique<X11HotKeyService>()),
      shortcuts_(std::make_unique<KeyboardShortcuts>(settings, *hotKeys_)),
      launchAtLogin_(std::make_unique<LaunchAtLogin>()),
      languages_(std::make_unique<AppLanguageManager>(settings)),
      trust_(std::make_unique<TrustDialog>()),
      fileRevealer_(std::make_unique<DesktopFileRevealer>()), settings_(settings) {
    // Last: the panes and the guide are given the objects above.
    SettingsServices services = settingsServices(settings);
    settingsWindow_ = std::make_unique<SettingsWindowController>(*health_, services);
    onboarding_ = std::make_unique<OnboardingWindowController>(services, services.setLaunchAtLogin);
}

OnboardingPresenter* DesktopShell::onboarding() const {
    return onboarding_.get();
}

SettingsServices DesktopShell::settingsServices(SettingsStore& settings) const {
    SettingsServices services;
    services.settings = &settings;
    services.health = health_.get();

    services.shortcuts = shortcuts_.get();
    services.launchAtLogin = launchAtLogin_.get();
    services.setLaunchAtLogin = [launch = launchAtLogin_.get()](bool on) {
        launch->setEnabled(on);
    };
    services.languages = languages_.get();
    services.updates = links_.updates;
    services.relaunch = links_.relaunch;
    HookHealthMonitor* health = health_.get();
    services.recheckHooks = [health] { health->checkNow(); };
    services.fileRevealer = fileRevealer_.get();
    services.phoneConnected = [this] { return phoneConnected_ && phoneConnected_(); };
    services.phoneLinkNotices = [this] {
        return phoneLinkNotices_ ? phoneLinkNotices_() : QStringList();
    };
    services.pairingAddress = [this]() -> std::optional<PairingAddress> {
        return pairingAddress_ ? pairingAddress_() : std::nullopt;
    };
    services.showDiagnostics = [this] { diagnosticsWindow_->show(); };
    services.presentFeedback = [this] {
        FeedbackComposer::presentFeedback(settingsWindow_->window());
    };
    services.resetShortcut = [shortcuts = shortcuts_.get()] {
        shortcuts->reset({ShortcutName::toggleQuillo()});
    };
    services.showOnboarding = [this] {
        if (onboarding_ != nullptr) {
            onboarding_->show(true);
        }
    };
    return services;
}

DesktopShell::~DesktopShell() {
    // Windows before what they show.
    statusBar_.reset();
    settingsWindow_.reset();
}

void DesktopShell::start() {
    health_->start();
}

void DesktopShell::createStatusBar(ProcessStateStore& store, HostTransportBridge* bridge) {
    statusBar_ = std::make_unique<StatusBarShell>(store, bridge, *health_, settings_,
                                                  [this] { settingsWindow_->show(); });
}

} // namespace quillo
