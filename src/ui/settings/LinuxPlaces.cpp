// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinuxPlaces.h"

#include "AppPaths.h"
#include "installer/HookInstaller.h"
#include "platform/SettingsStore.h"

namespace quillo::LinuxPlaces {

QString homeRelative(const std::filesystem::path& path, bool folder) {
    QString text = QString::fromStdString(path.lexically_normal().string());
    while (text.size() > 1 && text.endsWith(QLatin1Char('/'))) {
        text.chop(1);
    }
    QString home = QString::fromStdString(AppPaths::homeDirectory().lexically_normal().string());
    while (home.size() > 1 && home.endsWith(QLatin1Char('/'))) {
        home.chop(1);
    }
    if (home.size() > 1 && (text == home || text.startsWith(home + QLatin1Char('/')))) {
        text = QLatin1Char('~') + text.mid(home.size());
    }
    if (folder) {
        text += QLatin1Char('/');
    }
    return text;
}

QString appSupportFolder() {
    return homeRelative(AppPaths::appSupportDirectory(), true);
}

QString settingsFile() {
    return homeRelative(FileSettingsStore::standardPath().toStdString(), false);
}

QString crashFolder() {
    return homeRelative(AppPaths::stateDirectory(), true);
}

QString configFolder() {
    return homeRelative(AppPaths::configDirectory(), true);
}

QString autostartFile() {
    return homeRelative(AppPaths::configDirectory().parent_path() / "autostart" /
                            "com.quillo.mac.agent.desktop",
                        false);
}

QString claudeSettingsFolder() {
    return homeRelative(HookInstaller::settingsPath().parent_path(), true);
}

} // namespace quillo::LinuxPlaces
