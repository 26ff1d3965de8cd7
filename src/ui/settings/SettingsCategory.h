// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <optional>
#include <string_view>

namespace quillo {

// The categories of the settings window, in sidebar order. The raw value is a
// category's identity.
enum class SettingsCategory {
    hookConfig,
    pairedPhones,
    permissions,
    terminals,
    general,
    about,
    danger
};

inline constexpr std::array allSettingsCategories{
    SettingsCategory::hookConfig, SettingsCategory::pairedPhones, SettingsCategory::permissions,
    SettingsCategory::terminals,  SettingsCategory::general,      SettingsCategory::about,
    SettingsCategory::danger,
};

std::string_view rawValue(SettingsCategory category);
std::optional<SettingsCategory> settingsCategoryFromRaw(std::string_view raw);

// The sidebar label in the display language.
QString label(SettingsCategory category);
// The name of the category's symbol.
std::string_view symbolName(SettingsCategory category);

} // namespace quillo
