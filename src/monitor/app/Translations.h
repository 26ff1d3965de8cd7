// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QStringList>

#include <optional>

namespace quillo {

class SettingsStore;

// The two languages the interface is written in: the Chinese source texts and
// their English translation.
enum class DisplayLanguage { zh, en };

namespace Translations {

inline constexpr const char* languageOverrideKey = "AppleLanguages";

// The override's first code decides when it names Chinese ("zh…") or English
// ("en…"); otherwise the system locale does: Chinese locales get Chinese,
// every other locale English.
DisplayLanguage resolve(const std::optional<QStringList>& overrideCodes, const QLocale& system);
DisplayLanguage fromSettings(const SettingsStore& settings, const QLocale& system = QLocale());

// Installs the translation for `language` in the application (replacing an
// earlier one); Chinese needs none. False when the embedded English table
// cannot be loaded.
bool install(DisplayLanguage language);

} // namespace Translations
} // namespace quillo
