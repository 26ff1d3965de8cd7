// SPDX-License-Identifier: GPL-3.0-or-later
// The status item on the D-Bus tray (StatusNotifierItem) with a real watcher
// and host (run by run-with-tray --notifier-tray): the monitor starts first and
// the tray after, as at a login whose autostart runs before the panel. The
// icon must then appear, be titled "Quillo", offer the scale-2 image, open and
// close the dashboard on clicks through the host, and be listed again by a
// watcher that restarts.
#include "ChildProcess.h"
#include "TempDir.h"
#include "UiTestApp.h"
#include "app/HeadlessMonitor.h"
#include "installer/HookHealthMonitor.h"
#include "platform/SettingsStore.h"
#include "statusbar/DashboardPresenter.h"
#include "statusbar/StatusBarShell.h"
#include "statusbar/StatusItem.h"
#include "statusbar/StatusNotifierItem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

#include <sstream>

namespace quillo {
namespace {

using namespace std::chrono_literals;

// Reads a property over the bus from a connection of its own (so that the
// answer really crosses the bus), without blocking the event loop that
// serves the item.
std::optional<QVariant> readProperty(const QString& service, const QString& path,
                                     const QString& interface, const QString& name) {
    QDBusConnection probe =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("probe"));
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << name;
    QDBusPendingCallWatcher pending(probe.asyncCall(get));
    if (!test::waitUntil([&] { return pending.isFinished(); }) || pending.isError()) {
        return std::nullopt;
    }
    return pending.reply().arguments().value(0).value<QDBusVariant>().variant();
}

QStringList registeredItems() {
    const QString watcher = QString::fromLatin1(StatusNotifierItem::watcherService);
    return readProperty(watcher, StatusNotifierItem::watcherPath, watcher,
                        QStringLiteral("RegisteredStatusNotifierItems"))
        .value_or(QVariant())
        .toStringList();
}

std::optional<QVariant> itemProperty(const TrayStatusItem& item, const QString& name) {
    return readProperty(item.notifierServiceName(), StatusNotifierItem::itemPath,
                        QStringLiteral("org.kde.StatusNotifierItem"), name);
}

// A program of the desktop's, ended with the test.
struct Desktop {
    QProcess process;
    explicit Desktop(const QString& program, const QStringList& arguments = {}) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
    }
    ~Desktop() { stop(); }
    void stop() {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
};

// Where the host drew something bright in its bar along the top of the screen
// (the item is the only one there): its bounding box on a screenshot.
std::optional<QRect> iconOnScreen(int barHeight) {
    const std::string shot = (std::filesystem::temp_directory_path() /
                              ("quillo-notifier-tray-" + std::to_string(getpid()) + ".png"))
                                 .string();
    ChildProcess::run({"import", "-window", "root", shot}, {.timeLimit = 20s});
    const QImage image(QString::fromStdString(shot));
    std::filesystem::remove(shot);
    if (image.isNull()) {
        return std::nullopt;
    }
    QRect found;
    for (int y = 0; y < std::min(barHeight, image.height()); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 160) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found.isEmpty() ? std::nullopt : std::optional(found);
}

TEST(NotifierTray, ATrayThatStartsAfterTheMonitorShowsTheItemAndItsClicksOpenTheDashboard) {
    test::TempHome home;
    test::uiApp();
    std::ostringstream log;
    HeadlessMonitor monitor(log);
    monitor.start();
    MemorySettingsStore settings;
    HookHealthMonitor health(settings, [] { return true; });
    auto shell =
        std::make_unique<StatusBarShell>(monitor.store(), nullptr, health, settings, [] {});
    TrayStatusItem& item = shell->item();
    DashboardPresenter& presenter = shell->presenter();
    ASSERT_FALSE(item.notifierServiceName().isEmpty()) << "the item is not on the session bus";
    test::waitUntil([] { return false; }, 300ms); // the first icon is drawn
    EXPECT_FALSE(item.canBeSeen()) << "no tray runs yet";

    auto watcher = std::make_unique<Desktop>("status-notifier-watcher");
    const int barHeight = 30;
    Desktop host("gtk-sni-tray-standalone",
                 {"--top", "--end", "--size", QString::number(barHeight)});
    ASSERT_TRUE(test::waitUntil([&] {
        return registeredItems().contains(item.notifierServiceName());
    })) << "the watcher never listed the item: "
        << registeredItems().join(' ').toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return item.canBeSeen(); })) << "the host never came";
    EXPECT_EQ(registeredItems().size(), 1)
        << "listed twice: " << registeredItems().join(' ').toStdString();

    // What the tray lists and draws.
    EXPECT_EQ(itemProperty(item, "Title").value_or(QVariant()).toString(), "Quillo");
    EXPECT_EQ(itemProperty(item, "ItemIsMenu").value_or(true).toBool(), false);
    const auto pixmap = itemProperty(item, "IconPixmap");
    ASSERT_TRUE(pixmap);
    const auto images = qdbus_cast<NotifierImages>(pixmap->value<QDBusArgument>());
    QList<QSize> sizes;
    for (const NotifierImage& image : images) {
        sizes.push_back(QSize(image.width, image.height));
        EXPECT_EQ(image.pixels.size(), image.width * image.height * 4);
    }
    EXPECT_TRUE(sizes.contains(QSize(48, 40))) << "no image for scale 2";
    EXPECT_TRUE(sizes.contains(QSize(22, 22)));

    std::optional<QRect> icon;
    ASSERT_TRUE(test::waitUntil([&] { return (icon = iconOnScreen(barHeight)).has_value(); }))
        << "the host drew no icon";
    EXPECT_LE(icon->width(), barHeight);

    // A click through the host opens the dashboard below the pointer (the
    // D-Bus tray gives no position), and a second one closes it.
    const QPoint at = icon->center();
    const auto click = [](QPoint point) {
        return ChildProcess::run({"xdotool", "mousemove", std::to_string(point.x()),
                                  std::to_string(point.y()), "click", "1"},
                                 {.timeLimit = 10s})
            .succeeded();
    };
    ASSERT_TRUE(click(at));
    ASSERT_TRUE(test::waitUntil([&] { return presenter.isPopoverShown(); }))
        << "the click on the icon did not open the dashboard";
    QWidget* popover = presenter.popover();
    ASSERT_TRUE(test::waitUntil([&] { return popover->geometry().top() >= at.y(); }))
        << popover->geometry().top();
    EXPECT_LE(popover->geometry().left(), at.x());
    EXPECT_GE(popover->geometry().right(), at.x());
    test::waitUntil([] { return false; }, 300ms);
    ASSERT_TRUE(click(at));
    ASSERT_TRUE(test::waitUntil([&] { return !presenter.isPopoverShown(); }));
    test::waitUntil([] { return false; }, 800ms);
    EXPECT_FALSE(presenter.isPopoverShown()) << "the closing click opened it again";

    // A watcher that restarts knows nothing of the item until it registers
    // again.
    watcher->stop();
    ASSERT_TRUE(test::waitUntil([&] { return !item.usesNotifierTray(); }));
    EXPECT_FALSE(item.canBeSeen());
    watcher = std::make_unique<Desktop>("status-notifier-watcher");
    EXPECT_TRUE(test::waitUntil([&] {
        return registeredItems().contains(item.notifierServiceName());
    })) << "not listed again: "
        << registeredItems().join(' ').toStdString();
    EXPECT_TRUE(item.usesNotifierTray());

    // A monitor that starts with the tray there goes to it at once (a
    // dashboard opened at launch asks), listed once.
    shell.reset();
    ASSERT_TRUE(test::waitUntil([&] { return registeredItems().isEmpty(); }))
        << "the item stayed listed after it went";
    auto again =
        std::make_unique<StatusBarShell>(monitor.store(), nullptr, health, settings, [] {});
    EXPECT_TRUE(again->item().usesNotifierTray());
    EXPECT_TRUE(test::waitUntil([&] {
        return registeredItems() == QStringList{again->item().notifierServiceName()};
    })) << registeredItems().join(' ').toStdString();
    again.reset();
    monitor.stop();
}

} // namespace
} // namespace quillo
