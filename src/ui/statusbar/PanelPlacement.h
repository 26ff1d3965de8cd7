// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

namespace quillo {

// How a dashboard panel is placed: under the status item (top right of the
// screen when the item cannot be found), or centred on the pointer.
enum class PanelOriginStrategy { anchoredToStatusItem, centeredOnMouse };

// A screen as placement needs it: its whole area and the part free of panels
// and docks, in global coordinates (y grows downwards).
struct ScreenArea {
    QRect frame;
    QRect available;
};

// Where the dashboard's top left corner goes. Kept inside the chosen screen's
// available area: 4 from the left, right and far edge, 2 from the edge the
// desktop's bar is on.
namespace PanelPlacement {

inline constexpr QSize dashboardSize{400, 520};

// The first screen whose frame holds `point`, else the primary one, else the
// first; nothing without screens.
std::optional<ScreenArea> screenFor(QPoint point, const std::vector<ScreenArea>& screens,
                                    int primaryIndex);

QPoint centeredOnMouse(QPoint mouse, const std::vector<ScreenArea>& screens, int primaryIndex);

// Under (or, for a bar at the bottom, above) the item, centred on it. An item
// at x <= 50 is one pushed out of the bar; it, a missing item and an item on no
// screen use the fallback.
QPoint anchoredToStatusItem(std::optional<QRect> item, QPoint mouse,
                            const std::vector<ScreenArea>& screens, int primaryIndex);

// The top right corner of the pointer's screen, 12 from its right edge.
QPoint topRightFallback(QPoint mouse, const std::vector<ScreenArea>& screens, int primaryIndex);

QPoint origin(PanelOriginStrategy strategy, std::optional<QRect> item, QPoint mouse,
              const std::vector<ScreenArea>& screens, int primaryIndex);

// The screens Qt knows and the index of the primary one.
std::vector<ScreenArea> currentScreens(int* primaryIndex);

} // namespace PanelPlacement

} // namespace quillo
