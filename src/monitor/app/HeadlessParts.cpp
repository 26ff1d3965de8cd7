// SPDX-License-Identifier: GPL-3.0-or-later
#include "HeadlessParts.h"

#include "AppPaths.h"
#include "PhoneLinkConsole.h"
#include "networking/HostTransportBridge.h"
#include "networking/TerminalTrustPrompt.h"

#include <unistd.h>

#include <ostream>

namespace quillo {

HeadlessParts::HeadlessParts(SettingsStore& settings, std::ostream& out,
                             SoftwareUpdateController::UrlOpener openURL)
    : settings_(settings), out_(out), monitor_(out),
      updates_(settings, SoftwareUpdateController::configuredFeedURL(), std::move(openURL)),
      switcher_(switchServices_.services()) {}

HeadlessParts::~HeadlessParts() {
    // The bridge refers to the switcher and the trust prompt.
    bridge_.reset();
}

void HeadlessParts::releaseBridge() {
    bridge_.reset();
}

TrustPrompt& HeadlessParts::trustPrompt() {
    if (!terminalTrust_ && ::isatty(STDIN_FILENO)) {
        terminalTrust_ = std::make_unique<TerminalTrustPrompt>(STDIN_FILENO, out_);
    }
    return terminalTrust_ ? static_cast<TrustPrompt&>(*terminalTrust_) : noTrust_;
}

void HeadlessParts::ensureAppSupportDirectory() {
    AppPaths::ensureAppSupportDirectory();
}

void HeadlessParts::startSoftwareUpdate() {
    updates_.start();
}

void HeadlessParts::startTransportBridge() {
    bridge_ = std::make_unique<HostTransportBridge>(
        HostTransportBridge::Services{
            monitor_.store(), settings_, trustPrompt(),
            [this](const ClaudeProcess& process) { return switcher_.switchTo(process); }},
        HostTransportBridge::makeTransport(std::nullopt));
    bridge_->start();
    printPhoneLinkStatus(*bridge_, out_);
}

void HeadlessParts::startWatcher() {
    monitor_.startWatching();
}

void HeadlessParts::pruneDead() {
    monitor_.pruneNow();
}

void HeadlessParts::stopWatcher() {
    monitor_.stop();
}

void HeadlessParts::stopTransportBridge() {
    if (bridge_) {
        bridge_->stop();
    }
}

} // namespace quillo
