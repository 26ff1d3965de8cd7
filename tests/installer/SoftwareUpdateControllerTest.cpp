#include "app/SoftwareUpdateController.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(SoftwareUpdateController, WithoutAFeedNothingCanBeCheckedButTheChoiceIsKept) {
    MemorySettingsStore store;
    int opened = 0;
    SoftwareUpdateController controller(store, std::nullopt, [&](const QUrl&) {
        ++opened;
        return true;
    });
    std::vector<bool> published;
    QObject::connect(&controller, &SoftwareUpdateController::automaticallyChecksForUpdatesChanged,
                     [&](bool value) { published.push_back(value); });
    controller.start();
    EXPECT_FALSE(controller.canCheckForUpdates());
    EXPECT_FALSE(controller.checkForUpdates());
    EXPECT_EQ(opened, 0);

    EXPECT_FALSE(controller.automaticallyChecksForUpdates());
    controller.setAutomaticallyChecksForUpdates(true);
    controller.setAutomaticallyChecksForUpdates(true);
    EXPECT_EQ(store.string("quillo.automaticallyChecksForUpdates"), "true");
    EXPECT_TRUE(SoftwareUpdateController(store, std::nullopt).automaticallyChecksForUpdates());
    controller.setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(published, (std::vector<bool>{true, false}));
}

TEST(SoftwareUpdateController, AConfiguredFeedIsOpenedOnRequest) {
    MemorySettingsStore store;
    std::vector<QUrl> opened;
    auto opener = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    SoftwareUpdateController controller(store, QUrl("https://quillo.example/releases"), opener);
    EXPECT_TRUE(controller.canCheckForUpdates());
    EXPECT_TRUE(controller.checkForUpdates());
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://quillo.example/releases")});

    // A feed that is not an absolute address counts as none; so does a feed
    // with no way to open it.
    EXPECT_FALSE(SoftwareUpdateController(store, QUrl("releases"), opener).canCheckForUpdates());
    EXPECT_FALSE(
        SoftwareUpdateController(store, QUrl("https://quillo.example/")).canCheckForUpdates());
}

} // namespace
} // namespace quillo
