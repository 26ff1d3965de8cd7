// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

namespace quillo {

class ColorSchemeWatcher;
class DashboardModel;
class DashboardPresenter;
class HookHealthMonitor;
class HostTransportBridge;
class OpenQuestions;
class ProcessStateStore;
class SettingsStore;
class StatusBarController;
class SystemSwitchServices;
class TerminalSwitcher;
class ThreadedSwitchRunner;
class TrayStatusItem;

// The tray item and the dashboard as the desktop monitor runs them: the model
// following the store, the bridge, the health monitor and the open permission
// questions (which its rows answer as "dashboard"); the tray item with
// its icon; the presenter; and a switcher of its own for row taps, used on a
// worker thread.
class StatusBarShell {
public:
    StatusBarShell(ProcessStateStore& store, HostTransportBridge* bridge, HookHealthMonitor& health,
                   SettingsStore& settings, std::function<void()> openSettings,
                   OpenQuestions* questions = nullptr);
    ~StatusBarShell();

    DashboardPresenter& presenter() { return *presenter_; }
    DashboardModel& model() { return *model_; }
    TrayStatusItem& item() { return *item_; }
    // Runs the switches of row taps, and of clicks on desktop notices.
    ThreadedSwitchRunner& switchRunner() { return *runner_; }

private:
    std::unique_ptr<DashboardModel> model_;
    std::unique_ptr<SystemSwitchServices> switchServices_;
    std::unique_ptr<TerminalSwitcher> switcher_;
    std::unique_ptr<ThreadedSwitchRunner> runner_;
    std::unique_ptr<ColorSchemeWatcher> scheme_;
    std::unique_ptr<TrayStatusItem> item_;
    std::unique_ptr<DashboardPresenter> presenter_;
    std::unique_ptr<StatusBarController> controller_;
};

} // namespace quillo
