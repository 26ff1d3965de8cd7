// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillo {

// The first-run guide as the rest of the application sees it: start-up shows
// it when it has not been completed, the about pane shows it again on request,
// and the dashboard is not opened on its own while it is on screen.
class OnboardingPresenter {
public:
    virtual ~OnboardingPresenter() = default;

    // Shows the guide unless it was completed; `force` shows it anyway.
    virtual void show(bool force) = 0;
    virtual bool isVisible() const = 0;
};

} // namespace quillo
