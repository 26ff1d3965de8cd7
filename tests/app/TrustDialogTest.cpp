// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop trust dialog between the bridge and a real QuilloPeer on
// loopback: trusting pairs the phone, refusing or not answering in time turns
// it away, and a name with control characters is shown cleaned.
#include "app/TrustDialog.h"
#include "networking/HostTransportBridge.h"
#include "networking/PairedClientStorage.h"

#include "FakeProc.h"
#include "ShortcutTestSupport.h"
#include "TransportHarness.h"
#include "platform/FakeApplicationIdentifier.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

// The widget application has to exist before the harness makes a core one.
struct WidgetAppFirst {
    WidgetAppFirst() { test::widgetApp(); }
};

class TrustDialogTest : public ::testing::Test, WidgetAppFirst, public test::TransportHarness {
protected:
    void TearDown() override {
        if (peer.state() != QProcess::NotRunning) {
            peer.kill();
            peer.waitForFinished(10000);
        }
    }

    void start(std::chrono::milliseconds timeLimit = 60s) {
        dialog = std::make_unique<TrustDialog>(timeLimit);
        bridge = std::make_unique<HostTransportBridge>(
            HostTransportBridge::Services{
                store, settings, *dialog,
                [](const ClaudeProcess&) { return SwitchResult::switched(); }},
            HostTransportBridge::makeTransport("Desk", options()));
        bridge->start();
        peer.start(QUILLO_PEER_BINARY, {"--host", "127.0.0.1", "--port",
                                        QString::number(*bridge->transport().listeningPort()),
                                        "--name", QString::fromUtf8("Kim\u202e's phone"), "--token",
                                        "tok-0123456789abcdefghijk", "--trust-new-host"});
        ASSERT_TRUE(peer.waitForStarted());
    }
    QAbstractButton* button(const char* name) {
        return dialog->dialog() ? dialog->dialog()->findChild<QAbstractButton*>(name) : nullptr;
    }
    bool refused() {
        return waitUntil([&] { return peer.state() == QProcess::NotRunning; }, 20000ms) &&
               peer.exitCode() == 1 && peer.readAllStandardError().contains("declined by");
    }

    test::FakeProc proc;
    FakeApplicationIdentifier applications;
    ProcessStateStore store{{proc.proc(), applications}, [this] { return clock; }};
    MemorySettingsStore settings;
    std::unique_ptr<TrustDialog> dialog;
    std::unique_ptr<HostTransportBridge> bridge;
    QProcess peer;
};

TEST_F(TrustDialogTest, TrustingPairsThePhoneAndTheDialogShowsItsCleanedName) {
    start();
    ASSERT_TRUE(waitUntil([&] { return button("trustButton") != nullptr; }, 20000ms));
    QDialog* box = dialog->dialog();
    EXPECT_EQ(box->findChild<QLabel*>("trustTitle")->text(), QStringLiteral("信任新设备?"));
    EXPECT_EQ(box->findChild<QLabel*>("trustPhoneName")->text(), QStringLiteral("Kim's phone"));
    EXPECT_TRUE(box->findChild<QLabel*>("trustPhoneAddress")->text().contains("127.0.0.1"))
        << box->findChild<QLabel*>("trustPhoneAddress")->text().toStdString();
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);

    button("trustButton")->click();
    EXPECT_TRUE(waitUntil([&] { return bridge->connectedPeerCount() == 1; }, 20000ms));
    EXPECT_TRUE(
        PairedClientStorage::contains(settings, "Kim's phone", "tok-0123456789abcdefghijk"));
    EXPECT_EQ(peer.state(), QProcess::Running);
    EXPECT_TRUE(waitUntil([&] { return dialog->dialog() == nullptr; }));
}

TEST_F(TrustDialogTest, RefusingOrNotAnsweringTurnsThePhoneAway) {
    start();
    ASSERT_TRUE(waitUntil([&] { return button("rejectButton") != nullptr; }, 20000ms));
    // Enter, the key a user presses without reading, is the safe answer.
    auto* reject = qobject_cast<QPushButton*>(button("rejectButton"));
    auto* trust = qobject_cast<QPushButton*>(button("trustButton"));
    ASSERT_TRUE(reject != nullptr && trust != nullptr);
    EXPECT_TRUE(reject->isDefault());
    EXPECT_FALSE(trust->isDefault());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog->dialog(), &enter);
    EXPECT_TRUE(refused());
    EXPECT_FALSE(
        PairedClientStorage::contains(settings, "Kim's phone", "tok-0123456789abcdefghijk"));

    bridge.reset();
    start(300ms);
    ASSERT_TRUE(waitUntil([&] { return dialog->dialog() != nullptr; }, 20000ms));
    EXPECT_TRUE(refused()) << "declined when the time limit passed";
    EXPECT_EQ(dialog->dialog(), nullptr);
    EXPECT_EQ(bridge->connectedPeerCount(), 0);
}

} // namespace
} // namespace quillo
