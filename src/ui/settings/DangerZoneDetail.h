// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"
#include "SettingsServices.h"

#include <functional>

namespace quillo {

// "危险操作": one card that resets Quillo to its first-run state and restarts
// it, after a confirmation that lists what goes.
class DangerZoneDetail : public SettingsPane {
    Q_OBJECT

public:
    // Asks the user; true when they chose "清理并重启".
    using Confirm = std::function<bool(QWidget* parent)>;

    // `confirm` empty: the alert.
    explicit DangerZoneDetail(SettingsServices services = {}, Confirm confirm = {},
                              QWidget* parent = nullptr);

    // The alert's title and the list under it, with this computer's paths.
    static QString confirmTitle();
    static QString confirmText();

    // The button's action: ask, then clean up and restart.
    void requestCleanup();
    void performCleanup();

private:
    SettingsServices services_;
    Confirm confirm_;
};

} // namespace quillo
