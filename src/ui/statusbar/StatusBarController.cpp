// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusBarController.h"

#include "ColorSchemeWatcher.h"
#include "StatusIconBuilder.h"
#include "StatusItem.h"
#include "dashboard/DashboardModel.h"

#include <QPixmap>
#include <QTimer>

namespace quillo {

StatusBarController::StatusBarController(DashboardModel& model, StatusItem& item,
                                         ColorSchemeWatcher& scheme,
                                         std::function<void()> toggleDashboard,
                                         Throttle::Schedule schedule, QObject* parent)
    : QObject(parent), model_(model), item_(item), scheme_(scheme),
      throttle_(new Throttle(
          std::chrono::seconds(1), [this] { refreshIcon(); }, std::move(schedule), this)) {
    // The bare glyph until the first real draw.
    item_.setImage(StatusIconBuilder::makeIcon(
        IconKey::make({}, 0, false, scheme_.isDark(), scheme_.isKnown())));
    connect(&item_, &StatusItem::clicked, this, std::move(toggleDashboard));

    connect(&model_, &DashboardModel::processesChanged, throttle_, &Throttle::changed);
    connect(&model_, &DashboardModel::peerCountChanged, throttle_, &Throttle::changed);
    connect(&model_, &DashboardModel::hookErrorChanged, throttle_, &Throttle::changed);
    connect(&scheme_, &ColorSchemeWatcher::darkChanged, this, &StatusBarController::refreshIcon);
    // The first real icon once the item has been placed in the tray.
    QTimer::singleShot(0, this, &StatusBarController::refreshIcon);
}

void StatusBarController::refreshIcon() {
    const IconKey key = IconKey::make(model_.processes(), model_.peerCount(), model_.hookError(),
                                      scheme_.isDark(), scheme_.isKnown());
    if (lastIconKey_ == key) {
        return;
    }
    lastIconKey_ = key;
    ++redraws_;
    item_.setImage(StatusIconBuilder::makeIcon(key));
}

} // namespace quillo
