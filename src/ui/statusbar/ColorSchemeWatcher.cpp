// SPDX-License-Identifier: GPL-3.0-or-later
#include "ColorSchemeWatcher.h"

#include "DiagnosticLogger.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quillo {

namespace {

constexpr const char* portalService = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* settingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* appearance = "org.freedesktop.appearance";
constexpr const char* colorSchemeKey = "color-scheme";

// The portal's Read wraps the value in one or two variants.
std::optional<uint> unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = value.value<QDBusVariant>().variant();
    }
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok ? std::optional<uint>(scheme) : std::nullopt;
}

} // namespace

ColorSchemeWatcher::ColorSchemeWatcher(QObject* parent)
    : ColorSchemeWatcher(QDBusConnection::sessionBus(), parent) {}

ColorSchemeWatcher::ColorSchemeWatcher(QDBusConnection bus, QObject* parent) : QObject(parent) {
    if (!bus.isConnected()) {
        return;
    }
    // The slot's argument types must be known to the meta-type system, or the
    // subscription is refused and light/dark changes never arrive.
    qRegisterMetaType<QDBusVariant>();
    following_ = bus.connect(portalService, portalPath, settingsInterface, "SettingChanged", this,
                             SLOT(settingChanged(QString, QString, QDBusVariant)));
    if (!following_) {
        DiagnosticLogger::warn("statusbar", "cannot follow the desktop's colour scheme",
                               {{"error", bus.lastError().message().toStdString()}});
    }
    QDBusMessage read =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, "Read");
    read << QString::fromLatin1(appearance) << QString::fromLatin1(colorSchemeKey);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                QDBusPendingReply<QVariant> reply = *call;
                if (!reply.isError()) {
                    setColorScheme(unwrap(reply.value()));
                }
                call->deleteLater();
            });
}

bool ColorSchemeWatcher::isDarkScheme(std::optional<uint> colorScheme) {
    return colorScheme != 2u;
}

void ColorSchemeWatcher::setColorScheme(std::optional<uint> colorScheme) {
    const bool dark = isDarkScheme(colorScheme);
    const bool known = colorScheme == 1u || colorScheme == 2u;
    if (dark != dark_ || known != known_) {
        dark_ = dark;
        known_ = known;
        emit darkChanged(dark_);
    }
}

void ColorSchemeWatcher::settingChanged(const QString& nameSpace, const QString& key,
                                        const QDBusVariant& value) {
    if (nameSpace == QLatin1String(appearance) && key == QLatin1String(colorSchemeKey)) {
        setColorScheme(unwrap(value.variant()));
    }
}

} // namespace quillo
