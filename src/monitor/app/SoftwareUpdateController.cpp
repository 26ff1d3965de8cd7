// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoftwareUpdateController.h"

#include "platform/SettingsStore.h"

namespace quillo {

std::optional<QUrl> SoftwareUpdateController::configuredFeedURL() {
#ifdef QUILLO_UPDATE_FEED_URL
    QUrl url(QStringLiteral(QUILLO_UPDATE_FEED_URL));
    if (url.isValid() && !url.isRelative()) {
        return url;
    }
#endif
    return std::nullopt;
}

SoftwareUpdateController::SoftwareUpdateController(SettingsStore& settings,
                                                   std::optional<QUrl> feedURL, UrlOpener openURL,
                                                   QObject* parent)
    : QObject(parent), settings_(settings), feedURL_(std::move(feedURL)),
      openURL_(std::move(openURL)) {
    if (feedURL_ && (!feedURL_->isValid() || feedURL_->isRelative())) {
        feedURL_.reset();
    }
}

void SoftwareUpdateController::start() {}

bool SoftwareUpdateController::automaticallyChecksForUpdates() const {
    return settings_.boolean(automaticChecksKey);
}

void SoftwareUpdateController::setAutomaticallyChecksForUpdates(bool enabled) {
    const bool changed = enabled != automaticallyChecksForUpdates();
    settings_.setBoolean(automaticChecksKey, enabled);
    if (changed) {
        emit automaticallyChecksForUpdatesChanged(enabled);
    }
}

bool SoftwareUpdateController::canCheckForUpdates() const {
    return feedURL_.has_value() && static_cast<bool>(openURL_);
}

bool SoftwareUpdateController::checkForUpdates() {
    if (!canCheckForUpdates()) {
        return false;
    }
    return openURL_(*feedURL_);
}

} // namespace quillo
