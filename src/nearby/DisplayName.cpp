#include "DisplayName.h"

#include <QList>
#include <QString>
#include <QTextBoundaryFinder>

namespace quillo::DisplayName {

std::string sanitize(std::string_view displayName) {
    QString name =
        QString::fromUtf8(displayName.data(), static_cast<qsizetype>(displayName.size())).trimmed();
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
