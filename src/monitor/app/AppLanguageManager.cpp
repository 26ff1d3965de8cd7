// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLanguageManager.h"

#include "Translations.h"
#include "platform/SettingsStore.h"

namespace quillo {

QString rawValue(AppLanguage language) {
    switch (language) {
    case AppLanguage::zhHans:
        return QStringLiteral("zh-Hans");
    case AppLanguage::en:
        return QStringLiteral("en");
    case AppLanguage::system:
        break;
    }
    return QStringLiteral("system");
}

std::optional<QStringList> AppLanguageManager::appLanguageCodes() const {
    return settings_.stringList(QString::fromLatin1(Translations::languageOverrideKey));
}

AppLanguage AppLanguageManager::current() const {
    const auto codes = appLanguageCodes();
    if (!codes || codes->isEmpty()) {
        return AppLanguage::system;
    }
    const QString first = codes->front().toLower();
    if (first.startsWith(QLatin1String("zh"))) {
        return AppLanguage::zhHans;
    }
    if (first.startsWith(QLatin1String("en"))) {
        return AppLanguage::en;
    }
    return AppLanguage::system;
}

void AppLanguageManager::set(AppLanguage language) {
    const QString key = QString::fromLatin1(Translations::languageOverrideKey);
    if (language == AppLanguage::system) {
        settings_.remove(key);
    } else {
        settings_.setStringList(key, {rawValue(language)});
    }
}

} // namespace quillo
