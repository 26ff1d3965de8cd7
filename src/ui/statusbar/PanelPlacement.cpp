// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace quillo::PanelPlacement {

namespace {

constexpr int W = dashboardSize.width();
constexpr int H = dashboardSize.height();

int left(const QRect& r) {
    return r.x();
}
int right(const QRect& r) {
    return r.x() + r.width(); // exclusive, as the maths wants it
}
int top(const QRect& r) {
    return r.y();
}
int bottom(const QRect& r) {
    return r.y() + r.height();
}

int clampX(int x, const QRect& v) {
    x = std::min(x, right(v) - W - 4);
    return std::max(x, left(v) + 4);
}

} // namespace

std::optional<ScreenArea> screenFor(QPoint point, const std::vector<ScreenArea>& screens,
                                    int primaryIndex) {
    for (const ScreenArea& screen : screens) {
        if (screen.frame.contains(point)) {
            return screen;
        }
    }
    if (primaryIndex >= 0 && primaryIndex < static_cast<int>(screens.size())) {
        return screens[static_cast<std::size_t>(primaryIndex)];
    }
    if (!screens.empty()) {
        return screens.front();
    }
    return std::nullopt;
}

QPoint centeredOnMouse(QPoint mouse, const std::vector<ScreenArea>& screens, int primaryIndex) {
    auto screen = screenFor(mouse, screens, primaryIndex);
    if (!screen) {
        return {mouse.x() - W / 2, mouse.y() - H / 2};
    }
    const QRect& v = screen->available;
    // The far edge's margin wins over the bar's when the screen is too short.
    int y = std::max(mouse.y() - H / 2, top(v) + 2);
    y = std::min(y, bottom(v) - H - 4);
    return {clampX(mouse.x() - W / 2, v), y};
}

QPoint topRightFallback(QPoint mouse, const std::vector<ScreenArea>& screens, int primaryIndex) {
    auto screen = screenFor(mouse, screens, primaryIndex);
    if (!screen) {
        return {0, 0};
    }
    const QRect& v = screen->available;
    return {right(v) - W - 12, top(v) + 2};
}

QPoint anchoredToStatusItem(std::optional<QRect> item, QPoint mouse,
                            const std::vector<ScreenArea>& screens, int primaryIndex) {
    // The middle as the maths has it (QRect::center() rounds down a pixel).
    const QPoint centre =
        item ? QPoint(item->x() + item->width() / 2, item->y() + item->height() / 2) : QPoint();
    if (!item || centre.x() <= 50) {
        return topRightFallback(mouse, screens, primaryIndex);
    }
    const auto screen = std::find_if(screens.begin(), screens.end(),
                                     [&](const ScreenArea& s) { return s.frame.contains(centre); });
    if (screen == screens.end()) {
        return topRightFallback(mouse, screens, primaryIndex);
    }
    const QRect& v = screen->available;
    const int x = clampX(centre.x() - W / 2, v);
    // A bar at the bottom of the screen: the panel stands above the item.
    if (centre.y() > screen->frame.center().y()) {
        const int y = std::min(top(*item) - 2, bottom(v) - 2) - H;
        return {x, std::max(y, top(v) + 4)};
    }
    const int y = std::max(bottom(*item) + 2, top(v) + 2);
    return {x, std::min(y, bottom(v) - H - 4)};
}

QPoint origin(PanelOriginStrategy strategy, std::optional<QRect> item, QPoint mouse,
              const std::vector<ScreenArea>& screens, int primaryIndex) {
    return strategy == PanelOriginStrategy::centeredOnMouse
               ? centeredOnMouse(mouse, screens, primaryIndex)
               : anchoredToStatusItem(item, mouse, screens, primaryIndex);
}

std::vector<ScreenArea> currentScreens(int* primaryIndex) {
    std::vector<ScreenArea> screens;
    const QList<QScreen*> all = QGuiApplication::screens();
    *primaryIndex = 0;
    for (int i = 0; i < all.size(); ++i) {
        if (all[i] == QGuiApplication::primaryScreen()) {
            *primaryIndex = i;
        }
        screens.push_back({all[i]->geometry(), all[i]->availableGeometry()});
    }
    return screens;
}

} // namespace quillo::PanelPlacement
