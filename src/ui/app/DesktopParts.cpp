// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopParts.h"

#include "KeyboardShortcuts.h"
#include "OnboardingPresenter.h"
#include "TrustDialog.h"
#include "app/PhoneLinkConsole.h"
#include "networking/HostTransportBridge.h"
#include "statusbar/DashboardPresenter.h"
#include "statusbar/StatusBarShell.h"

#include <QDesktopServices>

namespace quillo {

DesktopParts::DesktopParts(SettingsStore& settings, std::ostream& out,
                           std::function<void()> relaunch)
    : HeadlessParts(settings, out, [](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      shell_(settings, {&updates(), std::move(relaunch)}) {
    // The dashboard shows the sessions; standard output goes to the desktop
    // session's log, which is no place for the table on every change.
    stopPrintingTable();
    // The panes show and check the address the phone link listens on, once
    // it listens.
    shell_.setPairingAddressSource([this]() -> std::optional<PairingAddress> {
        HostTransportBridge* link = bridge();
        return link != nullptr ? link->pairingAddress() : std::nullopt;
    });
    shell_.setPhoneLinkSources(
        [this] {
            HostTransportBridge* link = bridge();
            return link != nullptr && link->connectedPeerCount() > 0;
        },
        [this] {
            HostTransportBridge* link = bridge();
            return link != nullptr ? phoneLinkNotices(*link) : QStringList();
        });
}

DesktopParts::~DesktopParts() {
    // The bridge asks the shell's trust dialog, so it goes before the shell.
    releaseBridge();
}

void DesktopParts::createStatusBar() {
    shell_.createStatusBar(store(), bridge(), questions());
}

void DesktopParts::showOnboarding() {
    if (OnboardingPresenter* onboarding = shell_.onboarding()) {
        onboarding->show(false);
    }
}

void DesktopParts::startHookHealthMonitor() {
    shell_.start();
}

void DesktopParts::onToggleShortcut(std::function<void()> action) {
    shell_.shortcuts().onKeyDown(ShortcutName::toggleQuillo(), std::move(action));
}

bool DesktopParts::isOnboardingVisible() const {
    const OnboardingPresenter* onboarding = shell_.onboarding();
    return onboarding != nullptr && onboarding->isVisible();
}

bool DesktopParts::hasStatusBar() const {
    return shell_.statusBar() != nullptr;
}

bool DesktopParts::isDashboardVisible() const {
    StatusBarShell* bar = shell_.statusBar();
    return bar != nullptr && (bar->presenter().isPopoverShown() || bar->presenter().isPanelShown());
}

void DesktopParts::toggleDashboard(bool preferMouseOrigin) {
    if (StatusBarShell* bar = shell_.statusBar()) {
        bar->presenter().toggle(preferMouseOrigin);
    }
}

TrustPrompt& DesktopParts::trustPrompt() {
    return shell_.trustDialog();
}

} // namespace quillo
