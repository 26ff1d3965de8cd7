// SPDX-License-Identifier: GPL-3.0-or-later
// The status item's controller, the dashboard's presenter and where it puts a
// panel, with a fake tray item, fake screens and a hand-run throttle.
#include "PrivateBus.h"
#include "UiTestApp.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardParts.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "platform/SettingsStore.h"
#include "statusbar/ColorSchemeWatcher.h"
#include "statusbar/DashboardPresenter.h"
#include "statusbar/PanelPlacement.h"
#include "statusbar/StatusBarController.h"
#include "statusbar/StatusItem.h"

#include <QCursor>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;

struct FakeStatusItem : StatusItem {
    bool visible = true;
    std::optional<QRect> where;
    int images = 0;

    void setImage(const QIcon&) override { ++images; }
    bool canBeSeen() const override { return visible; }
    std::optional<QRect> geometry() const override { return where; }
};

ClaudeProcess waiting(int n) {
    ClaudeProcess process;
    process.id = "s" + std::to_string(n);
    process.state = ProcessState::waitingInput;
    return process;
}

std::vector<ClaudeProcess> waitingSessions(int count) {
    std::vector<ClaudeProcess> list;
    for (int i = 0; i < count; ++i) {
        list.push_back(waiting(i));
    }
    return list;
}

struct ControllerFixture : ::testing::Test {
    ControllerFixture() {
        test::uiApp();
        controller = std::make_unique<StatusBarController>(
            model, item, scheme, [this] { ++clicks; },
            [this](std::chrono::milliseconds, std::function<void()> call) {
                intervalEnds.push_back(std::move(call));
            });
    }
    void endInterval() {
        auto calls = std::move(intervalEnds);
        intervalEnds.clear();
        for (auto& call : calls) {
            call();
        }
    }

    DashboardModel model;
    FakeStatusItem item;
    ColorSchemeWatcher scheme;
    std::vector<std::function<void()>> intervalEnds;
    int clicks = 0;
    std::unique_ptr<StatusBarController> controller;
};

TEST_F(ControllerFixture, ABurstOfChangesDrawsAtMostTwiceAndEndsOnTheLatestState) {
    for (int i = 1; i <= 100; ++i) {
        model.setProcesses(waitingSessions(i % 7 + 1));
    }
    model.setPeerCount(1);
    model.setProcesses(waitingSessions(3));
    EXPECT_EQ(controller->redrawCount(), 1) << "the first change draws at once";
    endInterval();
    EXPECT_EQ(controller->redrawCount(), 2);
    ASSERT_TRUE(controller->lastIconKey());
    EXPECT_EQ(controller->lastIconKey()->waitingCount, 3);
    EXPECT_TRUE(controller->lastIconKey()->hasConnectedPhone);
    endInterval();
    EXPECT_TRUE(intervalEnds.empty()) << "a quiet interval schedules nothing more";
    EXPECT_EQ(controller->redrawCount(), 2);
}

TEST_F(ControllerFixture, RedrawsOnlyWhenTheKeyChangesButAlwaysForTheColourScheme) {
    model.setProcesses(waitingSessions(2));
    endInterval();
    const int before = controller->redrawCount();
    // Different sessions, same count waiting: the same icon.
    model.setProcesses({waiting(8), waiting(9)});
    endInterval();
    EXPECT_EQ(controller->redrawCount(), before);

    scheme.setColorScheme(2u); // light
    EXPECT_EQ(controller->redrawCount(), before + 1);
    EXPECT_FALSE(controller->lastIconKey()->isDark);
    scheme.setColorScheme(std::nullopt); // unknown counts as dark
    EXPECT_TRUE(controller->lastIconKey()->isDark);

    emit item.clicked();
    EXPECT_EQ(clicks, 1);
}

// The desktop portal's settings as a stand-in: Read answers the colour scheme,
// wrapped twice in variants as the real portal does.
struct FakePortal : QDBusVirtualObject {
    uint scheme = 2;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != "Read") {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, "no"));
            return true;
        }
        const QDBusVariant inner(QVariant::fromValue(scheme));
        connection.send(
            message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(inner)))));
        return true;
    }
    static void announce(QDBusConnection& bus, uint scheme) {
        QDBusMessage changed = QDBusMessage::createSignal(
            "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings", "SettingChanged");
        changed << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
                << QVariant::fromValue(QDBusVariant(QVariant::fromValue(scheme)));
        bus.send(changed);
    }
};

TEST(ColorSchemeWatcher, ReadsThePortalAndFollowsItsChanges) {
    test::uiApp();
    test::PrivateBus bus;
    if (bus.address.isEmpty()) {
        GTEST_SKIP() << "dbus-daemon could not be started";
    }
    QDBusConnection portalBus = bus.connect("portal");
    FakePortal portal;
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal));
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    {
        ColorSchemeWatcher watcher(bus.connect("watcher"));
        EXPECT_TRUE(watcher.isFollowing());
        ASSERT_TRUE(test::waitUntil([&] { return !watcher.isDark(); })) << "read at start: light";

        std::vector<bool> seen;
        QObject::connect(&watcher, &ColorSchemeWatcher::darkChanged,
                         [&seen](bool dark) { seen.push_back(dark); });
        FakePortal::announce(portalBus, 1);
        ASSERT_TRUE(test::waitUntil([&] { return watcher.isDark(); }));
        FakePortal::announce(portalBus, 2);
        ASSERT_TRUE(test::waitUntil([&] { return !watcher.isDark(); }));
        EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    }
    portalBus.unregisterObject("/org/freedesktop/portal/desktop");
    QDBusConnection::disconnectFromBus("portal");
    QDBusConnection::disconnectFromBus("watcher");
}

TEST(ColorSchemeWatcher, DarkUnlessThePortalSaysLight) {
    EXPECT_TRUE(ColorSchemeWatcher::isDarkScheme(std::nullopt));
    EXPECT_TRUE(ColorSchemeWatcher::isDarkScheme(0u));
    EXPECT_TRUE(ColorSchemeWatcher::isDarkScheme(1u));
    EXPECT_FALSE(ColorSchemeWatcher::isDarkScheme(2u));
}

// A 1920 × 1080 screen with a 28-pixel bar at the top, and a 1280 × 800 one
// to its right without bars; the first is primary.
const std::vector<ScreenArea> screens{
    {{0, 0, 1920, 1080}, {0, 28, 1920, 1052}},
    {{1920, 0, 1280, 800}, {1920, 0, 1280, 800}},
};

TEST(PanelPlacement, CentredOnThePointerButInsideTheScreenWithItsMargins) {
    using PanelPlacement::centeredOnMouse;
    EXPECT_EQ(centeredOnMouse({960, 540}, screens, 0), QPoint(760, 280));
    EXPECT_EQ(centeredOnMouse({1919, 1079}, screens, 0), QPoint(1516, 556)) << "bottom right";
    EXPECT_EQ(centeredOnMouse({0, 0}, screens, 0), QPoint(4, 30)) << "top left, below the bar";
    EXPECT_EQ(centeredOnMouse({3199, 0}, screens, 0), QPoint(2796, 2)) << "the second screen";
    // A pointer on no screen: the primary screen's area.
    EXPECT_EQ(centeredOnMouse({-500, 5000}, screens, 1), QPoint(1924, 276));
}

TEST(PanelPlacement, AnchoredUnderTheItemOrAtTheTopRightWhenTheItemIsLost) {
    using PanelPlacement::anchoredToStatusItem;
    const QPoint mouse(100, 500);
    EXPECT_EQ(anchoredToStatusItem(QRect(1000, 3, 22, 22), mouse, screens, 0), QPoint(811, 30));
    EXPECT_EQ(anchoredToStatusItem(QRect(1890, 3, 22, 22), mouse, screens, 0), QPoint(1516, 30))
        << "kept 4 from the right edge";
    const QPoint topRight(1920 - 400 - 12, 30);
    EXPECT_EQ(anchoredToStatusItem(QRect(30, 3, 22, 22), mouse, screens, 0), topRight)
        << "an item at x <= 50 was pushed out of the bar";
    EXPECT_EQ(anchoredToStatusItem(QRect(5000, 5000, 22, 22), mouse, screens, 0), topRight)
        << "an item on no screen";
    EXPECT_EQ(anchoredToStatusItem(std::nullopt, mouse, screens, 0), topRight);
    EXPECT_EQ(anchoredToStatusItem(std::nullopt, QPoint(2500, 10), screens, 0),
              QPoint(3200 - 400 - 12, 2))
        << "the pointer's screen";
    // An item in a bar at the bottom: the panel stands above it.
    const std::vector<ScreenArea> bottomBar{{{0, 0, 1920, 1080}, {0, 0, 1920, 1052}}};
    EXPECT_EQ(anchoredToStatusItem(QRect(1000, 1058, 20, 20), mouse, bottomBar, 0),
              QPoint(810, 1050 - 520));
}

struct PresenterFixture : ::testing::Test {
    PresenterFixture() {
        test::uiApp();
        actions.openSettings = [this] {
            openedWhileShown = presenter->isPanelShown() || presenter->isPopoverShown();
            ++settingsOpened;
        };
        presenter = std::make_unique<DashboardPresenter>(
            model, item, settings, actions, DashboardServices{}, [this] { return now; });
    }

    bool hasHint(QWidget* window) { return window->findChild<QWidget*>("firstUseHint") != nullptr; }

    DashboardModel model;
    FakeStatusItem item;
    MemorySettingsStore settings;
    DashboardPresenter::Actions actions;
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
    int settingsOpened = 0;
    bool openedWhileShown = true;
    std::unique_ptr<DashboardPresenter> presenter;
};

TEST_F(PresenterFixture, ThePopoverWhileTheItemCanBeSeenAPanelOtherwise) {
    presenter->toggle(false);
    EXPECT_TRUE(presenter->isPopoverShown());
    EXPECT_FALSE(hasHint(presenter->popover())) << "the popover never shows the hint";
    presenter->toggle(true); // the shortcut while the popover is open closes it
    EXPECT_FALSE(presenter->isPopoverShown());
    EXPECT_FALSE(presenter->isPanelShown());

    item.visible = false;
    presenter->toggle(false);
    EXPECT_FALSE(presenter->isPopoverShown());
    EXPECT_TRUE(presenter->isPanelShown());
    presenter->toggle(false);
    EXPECT_FALSE(presenter->isPanelShown());
}

TEST_F(PresenterFixture, OnlyTheFirstPanelEverCarriesTheHint) {
    presenter->toggle(true);
    ASSERT_TRUE(presenter->isPanelShown());
    EXPECT_TRUE(hasHint(presenter->panel()));
    EXPECT_TRUE(settings.boolean(DashboardPresenter::firstUseHintShownKey));
    presenter->toggle(true);
    presenter->toggle(true);
    ASSERT_TRUE(presenter->isPanelShown());
    EXPECT_FALSE(hasHint(presenter->panel())) << "even though nobody closed it";
}

TEST_F(PresenterFixture, EscapeClosesAPanelNotThePopoverAndSettingsCloseTheDashboardFirst) {
    presenter->toggle(true);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(presenter->panel(), &escape);
    EXPECT_FALSE(presenter->isPanelShown());

    presenter->toggle(false);
    ASSERT_TRUE(presenter->isPopoverShown());
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(presenter->popover(), &again);
    EXPECT_TRUE(presenter->isPopoverShown()) << "the popover closes only on a click elsewhere";
    presenter->toggle(false);

    presenter->toggle(true);
    emit presenter->panel()->view()->findChild<PlainButton*>("settingsButton")->clicked();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_FALSE(openedWhileShown);
    EXPECT_FALSE(presenter->isPanelShown());

    // The hook banner does the same.
    presenter->toggle(false);
    model.setHookError(true);
    emit presenter->popover()->view()->findChild<PlainButton*>("hookErrorBanner")->clicked();
    EXPECT_EQ(settingsOpened, 2);
    EXPECT_FALSE(presenter->isPopoverShown());
}

TEST_F(PresenterFixture, WithoutATrayPositionOnlyAClickOnTheItemPutsThePopoverAtThePointer) {
    item.where.reset(); // a StatusNotifierItem host gives no position
    QCursor::setPos(100, 300);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint topRight(area.x() + area.width() - 400 - 12, area.y() + 2);

    presenter->toggle(false); // the launch, a second launch
    ASSERT_TRUE(presenter->isPopoverShown());
    EXPECT_EQ(presenter->popover()->pos(), topRight);
    presenter->close();

    presenter->statusItemClicked(); // the pointer is on the icon
    ASSERT_TRUE(presenter->isPopoverShown());
    EXPECT_NE(presenter->popover()->pos(), topRight);
    EXPECT_LT(presenter->popover()->pos().x(), 100);
    presenter->close();

    presenter->toggle(false);
    EXPECT_EQ(presenter->popover()->pos(), topRight) << "the click is over";
}

TEST_F(PresenterFixture, TheTrayClickThatClosedTheDashboardDoesNotReopenIt) {
    presenter->statusItemClicked();
    ASSERT_TRUE(presenter->isPopoverShown());
    // The popover closes itself on the press outside it, on the item...
    presenter->popover()->hide();
    now += 50ms;
    // ...and then the item reports its click.
    presenter->statusItemClicked();
    EXPECT_FALSE(presenter->isPopoverShown());
    now += 2s;
    presenter->statusItemClicked();
    EXPECT_TRUE(presenter->isPopoverShown());
    presenter->statusItemClicked();
    EXPECT_FALSE(presenter->isPopoverShown()) << "a click while open closes it";
    now += 50ms;
    presenter->statusItemClicked();
    EXPECT_TRUE(presenter->isPopoverShown()) << "closing by the click itself arms no guard";
}

TEST_F(PresenterFixture, ASwitchThatFailedElsewhereOpensTheDashboardWithTheRowsMessage) {
    ClaudeProcess api = waiting(1);
    api.terminal = TerminalLocation{TerminalKind::gnomeTerminal, 4100, 4200, std::nullopt};
    model.setProcesses({waiting(0), api});
    EXPECT_FALSE(presenter->isOpen());
    const SwitchResult failure = SwitchResult::failed("GNOME Terminal: no window");
    presenter->showSwitchFailure("s1", failure);
    ASSERT_TRUE(presenter->isPopoverShown());
    EXPECT_TRUE(presenter->isOpen());
    MacProcessRow* row = presenter->popover()->view()->rowFor("s1");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->errorText(), QStringLiteral("GNOME Terminal: no window"));

    // An open dashboard stays open and shows the newer message.
    presenter->showSwitchFailure("s1", SwitchResult::unrecognizedTerminal("gone"));
    EXPECT_TRUE(presenter->isPopoverShown());
    EXPECT_EQ(row->errorText(), QStringLiteral("gone"));

    // Where only a panel can show, the panel carries it.
    presenter->close();
    item.visible = false;
    presenter->showSwitchFailure("s1", failure);
    ASSERT_TRUE(presenter->isPanelShown());
    EXPECT_EQ(presenter->panel()->view()->rowFor("s1")->errorText(),
              QStringLiteral("GNOME Terminal: no window"));
}

} // namespace
} // namespace quillo
