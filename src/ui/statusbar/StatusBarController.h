// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IconKey.h"
#include "Throttle.h"

#include <QObject>

#include <functional>
#include <optional>

namespace quillo {

class ColorSchemeWatcher;
class DashboardModel;
class StatusItem;

// Keeps the status item's icon in step with the sessions waiting, the hook
// health, a connected phone and the desktop's light or dark scheme, and toggles
// the dashboard on a click. Changes of the three published values are combined
// and throttled to one redraw per second (the latest state wins); a scheme
// change redraws at once. The icon is drawn only when its key changes.
class StatusBarController : public QObject {
    Q_OBJECT

public:
    StatusBarController(DashboardModel& model, StatusItem& item, ColorSchemeWatcher& scheme,
                        std::function<void()> toggleDashboard, Throttle::Schedule schedule = {},
                        QObject* parent = nullptr);

    void refreshIcon();

    const std::optional<IconKey>& lastIconKey() const { return lastIconKey_; }
    int redrawCount() const { return redraws_; }

private:
    DashboardModel& model_;
    StatusItem& item_;
    ColorSchemeWatcher& scheme_;
    Throttle* throttle_;
    std::optional<IconKey> lastIconKey_;
    int redraws_ = 0;
};

} // namespace quillo
