#include "DesktopShell.h"

#include "installer/HookHealthMonitor.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsWindowController.h"
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

DesktopShell::DesktopShell(SettingsStore& settings)
    : health_(std::make_unique<HookHealthMonitor>(settings)),
      settingsWindow_(
          std::make_unique<SettingsWindowController>(*health_, settingsServices(settings))) {}

SettingsServices DesktopShell::settingsServices(SettingsStore& settings) const {
    SettingsServices services;
    services.settings = &settings;
    services.health = health_.get();
    return services;
}

DesktopShell::~DesktopShell() = default;

void DesktopShell::start() {
    health_->start();
    settingsWindow_->show();
}

} // namespace quillo
