// SPDX-License-Identifier: GPL-3.0-or-later
#include "Translations.h"

#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace quillo::Translations {

namespace {

std::unique_ptr<QTranslator>& installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

DisplayLanguage resolve(const std::optional<QStringList>& overrideCodes, const QLocale& system) {
    if (overrideCodes && !overrideCodes->isEmpty()) {
        const QString first = overrideCodes->first().toLower();
        if (first.startsWith(QLatin1String("zh"))) {
            return DisplayLanguage::zh;
        }
        if (first.startsWith(QLatin1String("en"))) {
            return DisplayLanguage::en;
        }
    }
    return system.language() == QLocale::Chinese ? DisplayLanguage::zh : DisplayLanguage::en;
}

DisplayLanguage fromSettings(const SettingsStore& settings, const QLocale& system) {
    return resolve(settings.stringList(QString::fromLatin1(languageOverrideKey)), system);
}

bool install(DisplayLanguage language) {
    auto& translator = installed();
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    if (language == DisplayLanguage::zh) {
        return true;
    }
    auto english = std::make_unique<QTranslator>();
    if (!english->load(QStringLiteral(":/i18n/quillo_en.qm"))) {
        return false;
    }
    QCoreApplication::installTranslator(english.get());
    translator = std::move(english);
    return true;
}

} // namespace quillo::Translations
