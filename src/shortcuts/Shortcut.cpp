// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shortcut.h"

#include "CarbonKeys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace quillo {

namespace {

// JSON numbers are doubles; only whole numbers that a double holds exactly count.
std::optional<std::int64_t> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    double number = value.toDouble();
    constexpr double limit = 9007199254740992.0; // 2^53
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
}

} // namespace

QString Shortcut::toJson() const {
    // Written by hand: the member order is part of the stored form.
    return QStringLiteral("{\"carbonKeyCode\":%1,\"carbonModifiers\":%2}")
        .arg(carbonKeyCode)
        .arg(carbonModifiers);
}

std::optional<Shortcut> Shortcut::fromJson(const QString& text) {
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    QJsonObject object = document.object();
    auto keyCode = wholeNumber(object.value(QLatin1String("carbonKeyCode")));
    auto modifiers = wholeNumber(object.value(QLatin1String("carbonModifiers")));
    if (!keyCode || !modifiers) {
        return std::nullopt;
    }
    return Shortcut{*keyCode, *modifiers};
}

QString Shortcut::displayForm() const {
    QStringList parts;
    std::int64_t rest = carbonModifiers;
    for (const auto& modifier : CarbonKeys::modifiers()) {
        if (rest & modifier.carbonMask) {
            parts << QString::fromUtf8(modifier.name);
            rest &= ~modifier.carbonMask;
        }
    }
    if (rest != 0) {
        parts << QStringLiteral("0x%1").arg(rest, 0, 16);
    }
    auto key = CarbonKeys::byCarbonKeyCode(carbonKeyCode);
    parts << (key ? QString::fromUtf8(key->label) : QStringLiteral("#%1").arg(carbonKeyCode));
    return parts.join(QLatin1Char('+'));
}

} // namespace quillo
