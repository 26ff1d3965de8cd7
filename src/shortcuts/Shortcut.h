// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>

#include <compare>
#include <cstdint>
#include <optional>

namespace quillo {

// A key and its modifiers, kept in the key codes and modifier masks of the
// classic Mac keyboard API so that a stored shortcut means the same key on every
// system that reads the settings file. `CarbonKeys` translates them for X11.
struct Shortcut {
    std::int64_t carbonKeyCode = 0;
    std::int64_t carbonModifiers = 0;

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
    friend auto operator<=>(const Shortcut&, const Shortcut&) = default;

    // The stored form: {"carbonKeyCode":40,"carbonModifiers":4352}.
    QString toJson() const;
    // Absent unless `text` is an object with both members as whole numbers.
    static std::optional<Shortcut> fromJson(const QString& text);

    // "Ctrl+Alt+K": the modifiers' names in a fixed order, then the key's label.
    // A key or modifier bit without a name shows as its number, so nothing that
    // is stored is ever hidden.
    QString displayForm() const;
};

// A shortcut slot, stored under "KeyboardShortcuts_" + `rawValue`.
struct ShortcutName {
    QString rawValue;
    std::optional<Shortcut> defaultShortcut;

    QString settingsKey() const { return QStringLiteral("KeyboardShortcuts_") + rawValue; }

    // The one system-wide key of the monitor: it toggles the dashboard. No default.
    static ShortcutName toggleQuillo() { return {QStringLiteral("toggleQuillo"), std::nullopt}; }
};

} // namespace quillo

Q_DECLARE_METATYPE(quillo::Shortcut)
