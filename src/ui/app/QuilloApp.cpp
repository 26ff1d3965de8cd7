// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuilloApp.h"

#include "AppPaths.h"
#include "DesktopParts.h"
#include "DiagnosticLogger.h"
#include "app/AppDelegate.h"
#include "app/DescriptorLimit.h"
#include "app/HeadlessParts.h"
#include "app/Relaunch.h"
#include "app/SignalQuit.h"
#include "app/SingleInstance.h"
#include "app/Translations.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <iostream>
#include <memory>

namespace quillo {

namespace {

bool anyWindowVisible() {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWidget* window) { return window->isVisible(); });
}

} // namespace

int runQuilloApp(int argc, char** argv, bool desktop) {
    std::unique_ptr<QCoreApplication> app;
    if (desktop) {
        app = makeDesktopApplication(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    raiseDescriptorLimit();
    FileSettingsStore settings;
    Translations::install(Translations::fromSettings(settings));

    // One monitor per user, or two would split the events between them.
    AppPaths::ensureAppSupportDirectory();
    const auto appSupport = AppPaths::appSupportDirectory();
    SingleInstance instance(appSupport);
    switch (instance.claim()) {
    case MonitorLock::Outcome::acquired:
        break;
    case MonitorLock::Outcome::heldElsewhere: {
        // Launched again: the running monitor shows its dashboard instead.
        if (desktop &&
            SingleInstance::askRunningInstanceToActivate(SingleInstance::socketPath(appSupport))) {
            return 0;
        }
        const auto holder = instance.lock().holder();
        const QString pid = holder ? QString::number(*holder) : QStringLiteral("?");
        std::cerr << QCoreApplication::translate("HeadlessMonitor",
                                                 "[quillo] 已有 Quillo 在运行 (pid %1)")
                         .arg(pid)
                         .toStdString()
                  << std::endl;
        return 1;
    }
    case MonitorLock::Outcome::unavailable:
        // A file system without locks must not keep the user from their
        // sessions; the risk of a second monitor is the lesser evil.
        DiagnosticLogger::warn("app", "无法锁定 monitor.lock, 不检查是否已有 Quillo 在运行",
                               {{"path", instance.lock().defaultFile().string()}});
        break;
    }
    quitOnTerminationSignals();

    std::unique_ptr<HeadlessParts> parts;
    if (desktop) {
        parts = std::make_unique<DesktopParts>(settings, std::cout,
                                               [&instance] { relaunch(&instance); });
    } else {
        parts = std::make_unique<HeadlessParts>(settings, std::cout);
    }
    AppDelegate delegate(*parts, settings);
    delegate.setPruneInterval(std::chrono::milliseconds(HeadlessMonitor::pruneIntervalSetting()));
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    if (desktop) {
        // A second launch is this desktop's re-open and re-activation.
        QObject::connect(&instance, &SingleInstance::activationRequested, &delegate, [&delegate] {
            delegate.applicationShouldHandleReopen(anyWindowVisible());
            delegate.handleAppBecameActive();
        });
        if (!instance.listen()) {
            DiagnosticLogger::warn(
                "app", "cannot listen for a second launch",
                {{"socket", SingleInstance::socketPath(appSupport).toStdString()}});
        }
    }
    delegate.applicationDidFinishLaunching();
    const int status = app->exec();
    delegate.applicationWillTerminate();
    return status;
}

} // namespace quillo
