// SPDX-License-Identifier: GPL-3.0-or-later
#include "SlimScrollBar.h"

#include "Theme.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace quillo {

namespace {

// The geometry and the look of the slim bar, on top of the application's
// style (which still handles everything else the bar asks).
class SlimScrollStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
        case PM_ScrollBarExtent:
            return SlimScrollBar::thickness;
        case PM_ScrollBarSliderMin:
            return 24;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ScrollBar_ContextMenu) {
            return 0;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || bar == nullptr) {
            return QProxyStyle::subControlRect(control, option, part, widget);
        }
        const QRect area = bar->rect;
        const bool vertical = bar->orientation == Qt::Vertical;
        const int length = vertical ? area.height() : area.width();
        const int range = bar->maximum - bar->minimum;
        int handle = length;
        if (range > 0) {
            const double share =
                static_cast<double>(bar->pageStep) / static_cast<double>(range + bar->pageStep);
            handle = std::clamp(static_cast<int>(length * share),
                                std::min(length, pixelMetric(PM_ScrollBarSliderMin, bar, widget)),
                                length);
        }
        const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                  length - handle, bar->upsideDown);
        auto along = [&](int from, int size) {
            return vertical ? QRect(area.x(), area.y() + from, area.width(), size)
                            : QRect(area.x() + from, area.y(), size, area.height());
        };
        switch (part) {
        case SC_ScrollBarAddLine:
        case SC_ScrollBarSubLine:
            return {};
        case SC_ScrollBarGroove:
            return area;
        case SC_ScrollBarSlider:
            return along(start, handle);
        case SC_ScrollBarSubPage:
            return along(0, start);
        case SC_ScrollBarAddPage:
            return along(start + handle, length - start - handle);
        default:
            return {};
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || bar == nullptr) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        if (bar->maximum <= bar->minimum) {
            return; // nothing to scroll: no handle
        }
        const QRectF handle = QRectF(subControlRect(control, option, SC_ScrollBarSlider, widget))
                                  .adjusted(2, 2, -2, -2);
        const bool active = (bar->state & State_MouseOver) || (bar->state & State_Sunken);
        QColor color = active ? Theme::fgDim() : Theme::fgFaint();
        color.setAlphaF(active ? 0.8f : 0.55f);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(color);
        const double radius = std::min(handle.width(), handle.height()) / 2;
        painter->drawRoundedRect(handle, radius, radius);
        painter->restore();
    }
};

} // namespace

SlimScrollBar::SlimScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    auto* style = new SlimScrollStyle;
    style->setParent(this);
    setStyle(style);
    setAttribute(Qt::WA_Hover);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

SlimScrollBar::~SlimScrollBar() = default;

} // namespace quillo
