// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SoftwareUpdateController.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(SoftwareUpdateController, ChecksOnlyWithAFeedAndKeepsTheAutomaticChoice) {
    MemorySettingsStore store;
    std::vector<QUrl> opened;
    auto opener = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    SoftwareUpdateController none(store, std::nullopt, opener);
    EXPECT_FALSE(none.canCheckForUpdates());
    EXPECT_FALSE(none.checkForUpdates());
    EXPECT_FALSE(SoftwareUpdateController(store, QUrl("releases"), opener).canCheckForUpdates());
    EXPECT_FALSE(SoftwareUpdateController(store, QUrl("https://q.example/")).canCheckForUpdates());

    SoftwareUpdateController feed(store, QUrl("https://q.example/releases"), opener);
    EXPECT_TRUE(feed.checkForUpdates());
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://q.example/releases")});

    std::vector<bool> published;
    QObject::connect(&none, &SoftwareUpdateController::automaticallyChecksForUpdatesChanged,
                     [&](bool value) { published.push_back(value); });
    EXPECT_FALSE(none.automaticallyChecksForUpdates());
    none.setAutomaticallyChecksForUpdates(true);
    none.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(SoftwareUpdateController(store, std::nullopt).automaticallyChecksForUpdates());
    none.setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(published, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace quillo
