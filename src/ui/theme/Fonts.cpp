#include "Fonts.h"

#include <QFontDatabase>
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
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QStringList families = font.families();
    if (families.isEmpty()) {
        families << font.family();
    }
    families << QLatin1String(chineseFamily);
    font.setFamilies(families);
    font.setPointSizeF(pointSize(points));
    font.setWeight(weight);
    return font;
}

} // namespace quillo::Fonts
