// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace quillo {

class SettingsStore;

// The display languages the user can pick in the general settings.
enum class AppLanguage { system, zhHans, en };

inline constexpr std::array<AppLanguage, 3> allAppLanguages{AppLanguage::system,
                                                            AppLanguage::zhHans, AppLanguage::en};

// "system", "zh-Hans", "en".
QString rawValue(AppLanguage language);

// The application's own language override, kept as a list of language codes
// under "AppleLanguages" in the settings file (read at start-up by the
// translations); it takes effect with the next start.
class AppLanguageManager {
public:
    explicit AppLanguageManager(SettingsStore& settings) : settings_(settings) {}

    std::optional<QStringList> appLanguageCodes() const;
    // The first code decides: "zh…" Chinese, "en…" English, anything else (or
    // no override) the system's language.
    AppLanguage current() const;
    // `system` removes the override; the others store their one code.
    void set(AppLanguage language);

private:
    SettingsStore& settings_;
};

} // namespace quillo
