// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigurationReset.h"

#include "AppPaths.h"
#include "app/HeadlessParts.h"
#include "app/SoftwareUpdateController.h"
#include "installer/HookHealthMonitor.h"
#include "installer/HookInstaller.h"
#include "networking/PairedClientStorage.h"
#include "notices/SessionNotices.h"
#include "platform/SettingsStore.h"

#include <filesystem>

namespace quillo::ConfigurationReset {

namespace {

// The global shortcut's stored form, as the shortcut registry keeps it.
constexpr const char* shortcutKey = "KeyboardShortcuts_toggleQuillo";

} // namespace

QStringList preferenceKeys() {
    return {
        QString::fromLatin1(HookHealthMonitor::onboardingCompletedKey),
        QStringLiteral("quillo.launchAtLoginDefaultApplied"),
        QStringLiteral("quillo.firstUseHintShown"),
        QStringLiteral("quillo.shortcutOpensAtMouse"),
        QString::fromLatin1(SoftwareUpdateController::automaticChecksKey),
        QString::fromLatin1(SessionNotices::permissionKey),
        QString::fromLatin1(SessionNotices::inputKey),
        QString::fromLatin1(HeadlessParts::answerPermissionsKey),
    };
}

void perform(const Services& services) {
    if (services.uninstallHooks) {
        services.uninstallHooks();
    } else {
        HookInstaller::uninstall();
    }

    if (services.setLaunchAtLogin) {
        services.setLaunchAtLogin(false);
    }

    if (services.settings != nullptr) {
        services.settings->remove(QString::fromLatin1(PairedClientStorage::displayNamesKey));
        services.settings->remove(QString::fromLatin1(PairedClientStorage::tokensKey));
    }

    if (services.resetShortcut) {
        services.resetShortcut();
    } else if (services.settings != nullptr) {
        services.settings->remove(QString::fromLatin1(shortcutKey));
    }

    // The settings store writes every change through at once.
    if (services.settings != nullptr) {
        for (const QString& key : preferenceKeys()) {
            services.settings->remove(key);
        }
    }

    std::error_code ignored;
    std::filesystem::remove_all(AppPaths::appSupportDirectory(), ignored);
    AppPaths::ensureAppSupportDirectory();
    // The crash reports: Quillo's own folder, made again at the next crash.
    std::filesystem::remove_all(AppPaths::stateDirectory(), ignored);

    if (services.relaunch) {
        services.relaunch();
    }
}

} // namespace quillo::ConfigurationReset
