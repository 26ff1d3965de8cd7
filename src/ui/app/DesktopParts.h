// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopShell.h"
#include "app/HeadlessParts.h"

namespace quillo {

// The monitor's parts with its desktop interface: the headless parts, with the
// status item and dashboard, the first-run guide, the hook health monitor, the
// global shortcut and the trust dialog of the desktop shell.
class DesktopParts : public HeadlessParts {
public:
    DesktopParts(SettingsStore& settings, std::ostream& out, std::function<void()> relaunch);
    ~DesktopParts() override;

    void createStatusBar() override;
    bool answersQuestions() const override { return answersPermissions(settings()); }
    void showOnboarding() override;
    void startHookHealthMonitor() override;
    void onToggleShortcut(std::function<void()> action) override;
    bool isOnboardingVisible() const override;
    bool hasStatusBar() const override;
    bool isDashboardVisible() const override;
    void toggleDashboard(bool preferMouseOrigin) override;

    DesktopShell& shell() { return shell_; }

protected:
    TrustPrompt& trustPrompt() override;

private:
    DesktopShell shell_;
};

} // namespace quillo
