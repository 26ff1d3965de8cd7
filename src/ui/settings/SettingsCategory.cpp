// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsCategory.h"

#include <QCoreApplication>

#include <algorithm>

namespace quillo {

namespace {

struct CategoryInfo {
    SettingsCategory category;
    std::string_view raw;
    const char* label;
    std::string_view symbol;
};

constexpr std::array categories{
    CategoryInfo{SettingsCategory::hookConfig, "hookConfig",
                 QT_TRANSLATE_NOOP("SettingsCategory", "Hook 配置"), "shield.lefthalf.filled"},
    CategoryInfo{SettingsCategory::pairedPhones, "pairedPhones",
                 QT_TRANSLATE_NOOP("SettingsCategory", "已配对手机"), "iphone"},
    CategoryInfo{SettingsCategory::permissions, "permissions",
                 QT_TRANSLATE_NOOP("SettingsCategory", "系统权限"), "lock.shield"},
    CategoryInfo{SettingsCategory::terminals, "terminals",
                 QT_TRANSLATE_NOOP("SettingsCategory", "支持的终端"), "keyboard"},
    CategoryInfo{SettingsCategory::general, "general",
                 QT_TRANSLATE_NOOP("SettingsCategory", "通用"), "gearshape"},
    CategoryInfo{SettingsCategory::about, "about", QT_TRANSLATE_NOOP("SettingsCategory", "关于"),
                 "questionmark.circle"},
    CategoryInfo{SettingsCategory::danger, "danger",
                 QT_TRANSLATE_NOOP("SettingsCategory", "危险操作"), "xmark.octagon"},
};

const CategoryInfo& info(SettingsCategory category) {
    return categories[static_cast<std::size_t>(category)];
}

} // namespace

std::string_view rawValue(SettingsCategory category) {
    return info(category).raw;
}

std::optional<SettingsCategory> settingsCategoryFromRaw(std::string_view raw) {
    auto it = std::find_if(categories.begin(), categories.end(),
                           [&](const CategoryInfo& c) { return c.raw == raw; });
    if (it == categories.end()) {
        return std::nullopt;
    }
    return it->category;
}

QString label(SettingsCategory category) {
    return QCoreApplication::translate("SettingsCategory", info(category).label);
}

std::string_view symbolName(SettingsCategory category) {
    return info(category).symbol;
}

} // namespace quillo
