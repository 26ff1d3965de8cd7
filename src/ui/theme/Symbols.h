// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <optional>
#include <span>
#include <string_view>

class QPainter;

namespace quillo::Symbols {

// One symbol of the interface: its name as the views use it, the Material Icons
// glyph that draws it, and a short text that stands in when the icon font is
// missing.
struct Symbol {
    std::string_view name;
    std::string_view materialName;
    char32_t codepoint;
    std::string_view fallbackText;
};

std::span<const Symbol> all();
std::optional<Symbol> find(std::string_view name);

// Makes the icon font available (it is normally installed system-wide; the known
// file is added to the application's fonts otherwise). Returns whether the font
// can be used; without it every symbol is drawn as its fallback text.
bool loadFont();
bool fontAvailable();

inline constexpr const char* fontFamily = "Material Icons";

// The icon font at a size in interface points.
QFont font(double points);

// What to draw for `name`: the glyph when the font is available, else the
// fallback text (empty for an unknown name).
QString text(std::string_view name);

// Draws the symbol centred in `rect`.
void paint(QPainter& painter, const QRectF& rect, std::string_view name, double points,
           const QColor& color);

} // namespace quillo::Symbols
