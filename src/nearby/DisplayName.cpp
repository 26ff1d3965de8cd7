// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayName.h"

#include <QList>
#include <QString>
#include <QTextBoundaryFinder>

namespace quillo::DisplayName {

namespace {

bool isBidiControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

} // namespace

std::string clean(std::string_view displayName) {
    const QString text =
        QString::fromUtf8(displayName.data(), static_cast<qsizetype>(displayName.size()));
    QString out;
    bool pendingSpace = false;
    for (char32_t c : text.toUcs4()) {
        if (QChar::isSpace(c)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (QChar::category(c) == QChar::Other_Control || isBidiControl(c)) {
            continue;
        }
        if (pendingSpace) {
            out += QLatin1Char(' ');
            pendingSpace = false;
        }
        out += QString::fromUcs4(&c, 1);
    }
    return out.toStdString();
}

std::string sanitize(std::string_view displayName) {
    QString name = QString::fromStdString(clean(displayName));
    if (name.isEmpty()) {
        return "quillo-device";
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
    std::size_t characters = 0;
    qsizetype cut = 0;
    qsizetype position = 0;
    while ((position = graphemes.toNextBoundary()) != -1) {
        if (++characters > maxCharacters) {
            break;
        }
        if (static_cast<std::size_t>(name.left(position).toUtf8().size()) > maxBytes) {
            break;
        }
        cut = position;
    }
    if (cut == 0) {
        // One grapheme cluster longer than 63 bytes: fall back to whole code points.
        QString out;
        for (char32_t c : name.toUcs4()) {
            QString next = out + QString::fromUcs4(&c, 1);
            if (static_cast<std::size_t>(next.toUtf8().size()) > maxBytes) {
                break;
            }
            out = next;
        }
        return out.isEmpty() ? "quillo-device" : out.toStdString();
    }
    return name.left(cut).toStdString();
}

} // namespace quillo::DisplayName
