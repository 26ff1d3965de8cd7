// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusIconSheet.h"

#include "StatusIconBuilder.h"
#include "theme/Fonts.h"
#include "theme/Theme.h"

#include <QPainter>

#include <vector>

namespace quillo {

namespace {

struct Variant {
    const char* caption;
    int waiting;
    bool phone;
    bool hookError;
};

// Each rule of precedence, and the badge's widths.
const std::vector<Variant>& variants() {
    static const std::vector<Variant> list{
        {"bare", 0, false, false},        {"1 waiting", 1, false, false},
        {"2 waiting", 2, false, false},   {"9 waiting", 9, false, false},
        {"10 waiting", 10, false, false}, {"2 + hooks broken", 2, false, true},
        {"hooks broken", 0, false, true}, {"phone", 0, true, false},
        {"1 + phone", 1, true, false},    {"hooks broken + phone", 0, true, true},
    };
    return list;
}

class Sheet : public QWidget {
public:
    static constexpr int captionWidth = 150;
    static constexpr int cellWidth = 90;
    static constexpr int rowHeight = 52;
    static constexpr int headerHeight = 30;

    Sheet() {
        setFixedSize(captionWidth + 4 * cellWidth,
                     headerHeight + static_cast<int>(variants().size()) * rowHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), Theme::bgDeepest());
        painter.setFont(Fonts::ui(11));
        painter.setPen(Theme::fgMuted());
        const char* headers[] = {"light ×1", "light ×2", "dark ×1", "dark ×2"};
        for (int column = 0; column < 4; ++column) {
            painter.drawText(QRect(captionWidth + column * cellWidth, 0, cellWidth, headerHeight),
                             Qt::AlignCenter, QString::fromUtf8(headers[column]));
        }
        int y = headerHeight;
        for (const Variant& variant : variants()) {
            painter.setPen(Theme::fg());
            painter.drawText(QRect(12, y, captionWidth - 12, rowHeight),
                             Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf8(variant.caption));
            for (int column = 0; column < 4; ++column) {
                const bool dark = column >= 2;
                const int scale = column % 2 == 0 ? 1 : 2;
                const QRect cell(captionWidth + column * cellWidth + 6, y + 4, cellWidth - 12,
                                 rowHeight - 8);
                painter.setPen(Qt::NoPen);
                painter.setBrush(dark ? QColor(30, 30, 32) : QColor(236, 236, 238));
                painter.drawRoundedRect(cell, 6, 6);
                const IconKey key{variant.waiting, variant.phone, variant.hookError, dark};
                const QImage icon = StatusIconBuilder::drawIcon(key, scale);
                // Scale 2 is shown twice as large, so that its detail can be seen.
                const QSizeF shown(StatusIconBuilder::canvasWidth * scale,
                                   StatusIconBuilder::canvasHeight * scale);
                const QRectF target(cell.center().x() - shown.width() / 2 + 0.5,
                                    cell.center().y() - shown.height() / 2 + 0.5, shown.width(),
                                    shown.height());
                painter.drawImage(target, icon);
            }
            y += rowHeight;
        }
    }
};

} // namespace

std::unique_ptr<QWidget> makeStatusIconSheet() {
    return std::make_unique<Sheet>();
}

} // namespace quillo
