// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsPane.h"
#include "SettingsServices.h"

namespace quillo {

class SystemChecksView;

// What the computer provides for the phone link and for switching, checked
// for real each time the pane is shown, with the commands that fix what is
// missing.
class PermissionsDetail : public SettingsPane {
    Q_OBJECT

public:
    explicit PermissionsDetail(SettingsServices services = {}, QWidget* parent = nullptr);

    SystemChecksView* checks() const { return checks_; }

private:
    SystemChecksView* checks_;
};

} // namespace quillo
