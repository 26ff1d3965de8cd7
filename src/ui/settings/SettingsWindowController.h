// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsServices.h"

#include <QPointer>
#include <QWidget>

namespace quillo {

class HookHealthMonitor;
class SettingsView;

// Owns the one settings window. The window is created on the first show() and
// only hidden when closed, so the next show() brings the same window back with
// the category it had.
class SettingsWindowController {
public:
    static constexpr int width = 720;
    static constexpr int height = 560;

    SettingsWindowController(const HookHealthMonitor& health, SettingsServices services);
    ~SettingsWindowController();

    SettingsWindowController(const SettingsWindowController&) = delete;
    SettingsWindowController& operator=(const SettingsWindowController&) = delete;

    void show();

    QWidget* window() const { return window_; }
    SettingsView* view() const { return view_; }

private:
    const HookHealthMonitor& health_;
    SettingsServices services_;
    QPointer<QWidget> window_;
    SettingsView* view_ = nullptr;
};

} // namespace quillo
