// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

namespace quillo {

class SettingsStore;

// The application's one contact with software updates, behind the interface the
// general settings pane uses: the automatic-check switch, the check-now action
// and whether a check is possible right now.
//
// The update feed is a build setting (QUILLO_UPDATE_FEED_URL). Without one, no
// check is possible and check-now does nothing; the automatic-check choice is
// still kept in the user's settings so it survives until a feed exists. With a
// feed, check-now opens it (the release page) through the given opener.
class SoftwareUpdateController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)

public:
    static constexpr const char* automaticChecksKey = "quillo.automaticallyChecksForUpdates";

    using UrlOpener = std::function<bool(const QUrl&)>;

    // The feed compiled into this build, if any.
    static std::optional<QUrl> configuredFeedURL();

    explicit SoftwareUpdateController(SettingsStore& settings,
                                      std::optional<QUrl> feedURL = configuredFeedURL(),
                                      UrlOpener openURL = {}, QObject* parent = nullptr);

    // Called once at start-up. Background checks need an update service, which
    // this build has none of; the call keeps the start-up order in one place.
    void start();

    std::optional<QUrl> feedURL() const { return feedURL_; }

    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);

    // False without a feed or without a way to open it.
    bool canCheckForUpdates() const;

    // A user-initiated check; false when none could be made.
    bool checkForUpdates();

signals:
    void automaticallyChecksForUpdatesChanged(bool enabled);

private:
    SettingsStore& settings_;
    std::optional<QUrl> feedURL_;
    UrlOpener openURL_;
};

} // namespace quillo
