// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/OnboardingPresenter.h"
#include "settings/SettingsServices.h"

#include <QPointer>

#include <functional>

namespace quillo {

class OnboardingView;

// Shows the first-run guide in its own window and records its end. Finishing
// marks onboarding as completed and switches launch at login on, once ever;
// closing the window only hides it, and the guide comes back at the next start.
class OnboardingWindowController : public OnboardingPresenter {
public:
    static constexpr const char* completedKey = "quillo.onboardingCompleted";
    static constexpr const char* launchAtLoginAppliedKey = "quillo.launchAtLoginDefaultApplied";

    // `services.settings` is required; `setLaunchAtLogin` switches starting with
    // the desktop session on or off (none: left alone).
    OnboardingWindowController(SettingsServices services,
                               std::function<void(bool)> setLaunchAtLogin);
    ~OnboardingWindowController() override;

    void show(bool force) override;
    bool isVisible() const override;

    // The window's view while one exists (shown or closed).
    OnboardingView* view() const;

private:
    void finish();
    void applyDefaultLaunchAtLoginIfNeeded();

    SettingsServices services_;
    std::function<void(bool)> setLaunchAtLogin_;
    QPointer<OnboardingView> window_;
};

} // namespace quillo
