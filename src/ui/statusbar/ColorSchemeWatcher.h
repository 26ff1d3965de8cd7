// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

#include <optional>

namespace quillo {

// Whether the desktop asks for dark colours, from the desktop portal's
// "org.freedesktop.appearance" "color-scheme" (1 dark, 2 light, 0 no
// preference), read once without blocking and then followed. Dark when the
// portal does not answer or has no preference: the icon must stay visible on the
// common dark panels.
class ColorSchemeWatcher : public QObject {
    Q_OBJECT

public:
    // Asks the portal on `bus`; the session bus where none is given.
    explicit ColorSchemeWatcher(QObject* parent = nullptr);
    explicit ColorSchemeWatcher(QDBusConnection bus, QObject* parent = nullptr);

    bool isDark() const { return dark_; }
    // Whether the desktop said light or dark (no answer, or "no preference",
    // is not knowing).
    bool isKnown() const { return known_; }
    // Whether changes are followed: the portal's signal could be subscribed.
    bool isFollowing() const { return following_; }

    static bool isDarkScheme(std::optional<uint> colorScheme);

    // For tests and for desktops that say it another way.
    void setColorScheme(std::optional<uint> colorScheme);

signals:
    // Darkness or knowing it changed.
    void darkChanged(bool isDark);

private slots:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    bool dark_ = true;
    bool known_ = false;
    bool following_ = false;
};

} // namespace quillo
