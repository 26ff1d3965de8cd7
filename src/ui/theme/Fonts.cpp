// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

namespace quillo::Fonts {

double pointSize(double points) {
    return points * 72.0 / 96.0;
}

QFont ui(double points, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    QStringList families = font.families();
    if (families.isEmpty()) {
        families << font.family();
    }
    if (!families.contains(QLatin1String(chineseFamily))) {
        families << QLatin1String(chineseFamily);
    }
    font.setFamilies(families);
    font.setPointSizeF(pointSize(points));
    font.setWeight(weight);
    return font;
}

QFont monospaced(double points, QFont::Weight weight) {
    // The desktop's fixed font, unless it is not fixed at all: fontconfig can
    // answer "monospace" with a proportional CJK face.
    static const QStringList families = [] {
        QStringList candidates{QFontDatabase::systemFont(QFontDatabase::FixedFont).family(),
                               QStringLiteral("DejaVu Sans Mono"),
                               QStringLiteral("Liberation Mono"), QStringLiteral("Noto Mono")};
        QStringList list;
        for (const QString& candidate : candidates) {
            const QFontInfo info{QFont(candidate)};
            if (info.fixedPitch() && info.family() == candidate) {
                list << candidate;
                break;
            }
        }
        list << QStringLiteral("Noto Sans Mono CJK SC") << QLatin1String(chineseFamily);
        return list;
    }();
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize(points));
    font.setWeight(weight);
    return font;
}

} // namespace quillo::Fonts
