// SPDX-License-Identifier: GPL-3.0-or-later
#include "TypePill.h"

#include "theme/Fonts.h"
#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <array>

namespace quillo {

namespace {

constexpr double horizontalPadding = 7;
constexpr double verticalPadding = 2;
constexpr double letterSpacing = 0.6;

struct KnownCategory {
    std::string_view category;
    std::string_view label;
    const QColor& (*color)();
};

constexpr std::array knownCategories{
    KnownCategory{"transport", "COMM", Theme::accent},
    KnownCategory{"comm", "COMM", Theme::accent},
    KnownCategory{"mpc", "COMM", Theme::accent},
    KnownCategory{"switch", "PROC", Theme::statusInput},
    KnownCategory{"resolve", "PROC", Theme::statusInput},
    KnownCategory{"process", "PROC", Theme::statusInput},
    KnownCategory{"process-fail", "PROC", Theme::statusInput},
    KnownCategory{"applescript", "AS", Theme::statusInput},
    KnownCategory{"as", "AS", Theme::statusInput},
    KnownCategory{"hook", "HOOK", Theme::statusActive},
    KnownCategory{"hook-config", "HOOK", Theme::statusActive},
    KnownCategory{"parse", "PARSE", Theme::statusInput},
    KnownCategory{"parse-fail", "PARSE", Theme::statusInput},
    KnownCategory{"events", "EVT", Theme::statusUnknown},
    KnownCategory{"event", "EVT", Theme::statusUnknown},
    KnownCategory{"evt", "EVT", Theme::statusUnknown},
    KnownCategory{"prune", "EVT", Theme::statusUnknown},
};

} // namespace

TypePill TypePill::forCategory(std::string_view category) {
    const QString name =
        QString::fromUtf8(category.data(), static_cast<qsizetype>(category.size()));
    const QString lower = name.toLower();
    for (const KnownCategory& known : knownCategories) {
        if (lower ==
            QLatin1String(known.category.data(), static_cast<qsizetype>(known.category.size()))) {
            return {
                QString::fromLatin1(known.label.data(), static_cast<qsizetype>(known.label.size())),
                known.color()};
        }
    }
    return {name.toUpper().left(4), Theme::fgFaint()};
}

QFont TypePill::font() {
    QFont font = Fonts::ui(9.5, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

QSizeF TypePill::size() const {
    const QFontMetricsF metrics(font());
    return {metrics.horizontalAdvance(label) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

void TypePill::paint(QPainter& painter, const QPointF& topLeft,
                     DiagnosticLogger::Severity severity) const {
    const QRectF capsule(topLeft, size());
    QColor outline = color;
    outline.setAlphaF(severity == DiagnosticLogger::Severity::error ? 1.0f : 0.6f);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(oklch(0.2, 0.01, 250));
    painter.setPen(QPen(outline, 1));
    const double radius = capsule.height() / 2;
    painter.drawRoundedRect(capsule.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(capsule, Qt::AlignCenter, label);
    painter.restore();
}

} // namespace quillo
