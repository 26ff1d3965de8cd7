// SPDX-License-Identifier: GPL-3.0-or-later
// Revealing a file: the file manager's D-Bus call as a real file manager
// receives it, on a private bus, and the folder when nobody answers.
#include "platform/FileRevealer.h"
#include "PrivateBus.h"
#include "TempDir.h"
#include "WidgetTestApp.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using test::PrivateBus;

// Answers ShowItems as a file manager does and remembers what it was shown.
struct FakeFileManager : QDBusVirtualObject {
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != "ShowItems" || message.signature() != "ass") {
            connection.send(message.createErrorReply(QDBusError::InvalidArgs, "bad call"));
            return true;
        }
        shown << message.arguments().at(0).toStringList();
        connection.send(message.createReply());
        return true;
    }
    QStringList shown;
};

TEST(FileRevealer, AsksTheFileManagerAndOpensTheFolderWhenNoneAnswers) {
    test::widgetApp();
    PrivateBus bus;
    if (bus.address.isEmpty()) {
        GTEST_SKIP() << "dbus-daemon could not be started";
    }
    QList<QUrl> opened;
    auto open = [&opened](const QUrl& folder) { opened << folder; };

    // Nobody serves the file manager's name yet: the folder opens instead.
    QDBusConnection client = bus.connect("client");
    ASSERT_TRUE(client.isConnected());
    DesktopFileRevealer revealer(client, open);
    revealer.reveal("/home/you/.claude/settings.json");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl("file:///home/you/.claude")});

    QDBusConnection manager = bus.connect("fileManager");
    FakeFileManager fake;
    ASSERT_TRUE(manager.registerVirtualObject("/org/freedesktop/FileManager1", &fake));
    ASSERT_TRUE(manager.registerService("org.freedesktop.FileManager1"));
    revealer.reveal("/home/you/My Files/QuilloMac-1 #2.crash");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fake.shown.isEmpty(); }, 10000));
    EXPECT_EQ(fake.shown, QStringList{"file:///home/you/My%20Files/QuilloMac-1%20%232.crash"});
    QTest::qWait(20);
    EXPECT_EQ(opened.size(), 1); // answered: no folder as well

    manager.unregisterObject("/org/freedesktop/FileManager1");
    QDBusConnection::disconnectFromBus("fileManager");
    QDBusConnection::disconnectFromBus("client");
}

} // namespace
} // namespace quillo
