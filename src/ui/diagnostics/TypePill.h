// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogger.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <string_view>

class QPainter;

namespace quillo {

// The short tag before a log message that says which part of the monitor
// wrote it: known categories share a label and colour, anything else shows
// its own first four letters.
struct TypePill {
    QString label;
    QColor color;

    // Case does not matter: "Hook" and "hook" are the same category.
    static TypePill forCategory(std::string_view category);

    static QFont font();
    // The capsule's size for this label.
    QSizeF size() const;
    // Outlined at full strength for errors, softer otherwise.
    void paint(QPainter& painter, const QPointF& topLeft,
               DiagnosticLogger::Severity severity) const;
};

} // namespace quillo
