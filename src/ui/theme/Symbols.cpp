// SPDX-License-Identifier: GPL-3.0-or-later
#include "Symbols.h"

#include "Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <array>

namespace quillo::Symbols {

namespace {

// Every symbol name the interface uses, with the nearest Material Icons glyph.
constexpr std::array symbols{
    Symbol{"arrow.clockwise", "refresh", 0xe5d5, "⟳"},
    Symbol{"arrow.up.right", "north_east", 0xf1e1, "↗"},
    Symbol{"checkmark", "check", 0xe5ca, "✓"},
    Symbol{"chevron.right", "chevron_right", 0xe5cc, "›"},
    Symbol{"doc.text.magnifyingglass", "find_in_page", 0xe880, "⌕"},
    Symbol{"dot.radiowaves.left.and.right", "sensors", 0xe51e, "((·))"},
    Symbol{"exclamationmark", "priority_high", 0xe645, "!"},
    Symbol{"exclamationmark.bubble", "feedback", 0xe87f, "!"},
    Symbol{"gearshape", "settings", 0xe8b8, "⚙"},
    Symbol{"iphone", "phone_iphone", 0xe325, "▯"},
    Symbol{"iphone.slash", "mobile_off", 0xe201, "▯"},
    Symbol{"keyboard", "keyboard", 0xe312, "⌨"},
    Symbol{"lightbulb", "lightbulb", 0xe0f0, "☼"},
    Symbol{"lock.shield", "security", 0xe32a, "◈"},
    Symbol{"lock.slash", "no_encryption", 0xe641, "◇"},
    Symbol{"play", "play_arrow", 0xe037, "▶"},
    Symbol{"play.rectangle", "smart_display", 0xf06a, "▶"},
    Symbol{"plus.circle", "add_circle_outline", 0xe148, "+"},
    Symbol{"questionmark.circle", "help_outline", 0xe8fd, "?"},
    Symbol{"shield.lefthalf.filled", "shield", 0xe9e0, "⛨"},
    Symbol{"trash", "delete", 0xe872, "×"},
    Symbol{"tray", "inbox", 0xe156, "▭"},
    Symbol{"wifi", "wifi", 0xe63e, "≋"},
    Symbol{"xmark", "close", 0xe5cd, "×"},
    Symbol{"xmark.circle.fill", "cancel", 0xe5c9, "⊗"},
    Symbol{"xmark.octagon", "dangerous", 0xe99a, "⊗"},
};

constexpr const char* fontFile =
    "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";

bool& available() {
    static bool value = false;
    return value;
}

} // namespace

std::span<const Symbol> all() {
    return symbols;
}

std::optional<Symbol> find(std::string_view name) {
    auto it = std::find_if(symbols.begin(), symbols.end(),
                           [&](const Symbol& s) { return s.name == name; });
    if (it == symbols.end()) {
        return std::nullopt;
    }
    return *it;
}

bool loadFont() {
    if (!QFontDatabase::families().contains(QLatin1String(fontFamily)) && QFile::exists(fontFile)) {
        QFontDatabase::addApplicationFont(QString::fromLatin1(fontFile));
    }
    available() = QFontDatabase::families().contains(QLatin1String(fontFamily));
    return available();
}

bool fontAvailable() {
    return available();
}

QFont font(double points) {
    QFont f{QString::fromLatin1(fontFamily)};
    f.setPointSizeF(Fonts::pointSize(points));
    return f;
}

QString text(std::string_view name) {
    auto symbol = find(name);
    if (!symbol) {
        return {};
    }
    if (fontAvailable()) {
        const char32_t codepoint = symbol->codepoint;
        return QString::fromUcs4(&codepoint, 1);
    }
    return QString::fromUtf8(symbol->fallbackText.data(),
                             static_cast<qsizetype>(symbol->fallbackText.size()));
}

void paint(QPainter& painter, const QRectF& rect, std::string_view name, double points,
           const QColor& color) {
    painter.save();
    painter.setFont(fontAvailable() ? font(points) : Fonts::ui(points * 0.9, QFont::Medium));
    painter.setPen(color);
    painter.drawText(rect, Qt::AlignCenter, text(name));
    painter.restore();
}

} // namespace quillo::Symbols
