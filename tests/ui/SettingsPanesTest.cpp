// SPDX-License-Identifier: GPL-3.0-or-later
// The paired phones, supported terminals and system panes.
#include "FakeSystemProbes.h"
#include "TerminalKind.h"
#include "TransportPort.h"
#include "WidgetTestApp.h"
#include "networking/PairedClientStorage.h"
#include "pairing/QrCodeView.h"
#include "platform/SettingsStore.h"
#include "settings/PairedPhonesDetail.h"
#include "settings/PermissionsDetail.h"
#include "settings/SettingsRow.h"
#include "settings/TerminalSupportDetail.h"
#include "system/SystemChecksView.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "networking/HostTransportBridge.h"

#include <gtest/gtest.h>

#include <QCheckBox>

#include <algorithm>

namespace quillo {
namespace {

namespace Paired = PairedClientStorage;

const PairingAddress sampleAddress{"10.0.0.7", 47810, std::string(64, 'c'), "desk"};

struct PairedPhonesPane : ::testing::Test {
    PairedPhonesPane() { test::widgetApp(); }

    SettingsServices services() {
        SettingsServices s;
        s.settings = &settings;
        s.pairingAddress = [this] { return address; };
        return s;
    }

    QStringList rowTitles(const QWidget& pane) {
        QStringList titles;
        for (auto* row : pane.findChildren<SettingsRow*>(QStringLiteral("pairedPhone"))) {
            titles << row->title();
        }
        return titles;
    }

    QMessageBox* openUnpairAlertFor(PairedPhonesDetail& pane, const QString& name) {
        for (auto* row : pane.findChildren<SettingsRow*>(QStringLiteral("pairedPhone"))) {
            if (row->title() == name) {
                row->findChild<QPushButton*>(QStringLiteral("unpair"))->click();
            }
        }
        return pane.findChild<QMessageBox*>(QStringLiteral("unpairAlert"));
    }

    MemorySettingsStore settings;
    std::optional<PairingAddress> address = sampleAddress;
};

TEST_F(PairedPhonesPane, ReadsThePhonesAgainEachTimeItIsShown) {
    Paired::add(settings, "Pixel", "t1");
    Paired::add(settings, "Moto", "t2");
    PairedPhonesDetail pane(services());
    pane.show();
    EXPECT_EQ(pane.paired(), (QStringList{"Moto", "Pixel"}));
    EXPECT_EQ(rowTitles(pane), (QStringList{"Moto", "Pixel"}));
    EXPECT_TRUE(pane.findChild<QWidget*>(QStringLiteral("unpairNote"))->isVisible());

    // Paired while the window was open on another pane.
    Paired::add(settings, "Fairphone", "t3");
    pane.hide();
    pane.show();
    EXPECT_EQ(rowTitles(pane), (QStringList{"Fairphone", "Moto", "Pixel"}));
}

TEST_F(PairedPhonesPane, PhonesAnswerPermissionQuestionsOnlyOnceSwitchedOn) {
    PairedPhonesDetail pane(services());
    pane.show();
    EXPECT_FALSE(pane.answersSwitch()->isChecked()) << "off while never set";
    EXPECT_FALSE(HostTransportBridge::phonesAnswer(settings));
    pane.answersSwitch()->click();
    EXPECT_TRUE(HostTransportBridge::phonesAnswer(settings));
    PairedPhonesDetail again(services());
    EXPECT_TRUE(again.answersSwitch()->isChecked());
}

TEST_F(PairedPhonesPane, TokenOutsideANonEmptyNameListIsNotListedAndNoPhoneShowsTheEmptyState) {
    settings.setString(Paired::tokensKey, R"({"Listed":"t1","Stray":"t2"})");
    settings.setString(Paired::displayNamesKey, R"(["Listed"])");
    PairedPhonesDetail filtered(services());
    EXPECT_EQ(filtered.paired(), QStringList{"Listed"});

    settings.remove(Paired::displayNamesKey);
    PairedPhonesDetail unfiltered(services());
    EXPECT_EQ(unfiltered.paired(), (QStringList{"Listed", "Stray"}));

    MemorySettingsStore empty;
    SettingsServices none;
    none.settings = &empty;
    for (const SettingsServices& s : {none, SettingsServices{}}) {
        PairedPhonesDetail pane(s);
        pane.show();
        EXPECT_TRUE(pane.paired().isEmpty());
        EXPECT_NE(pane.findChild<SettingsRow*>(QStringLiteral("noPairedPhones")), nullptr);
        EXPECT_FALSE(pane.findChild<QWidget*>(QStringLiteral("unpairNote"))->isVisible());
    }
}

TEST_F(PairedPhonesPane, UnpairsOnlyWhenTheAlertIsConfirmed) {
    Paired::add(settings, "Moto", "t1");
    Paired::add(settings, "Pixel", "t2");
    PairedPhonesDetail pane(services());
    pane.show();

    QMessageBox* alert = openUnpairAlertFor(pane, QStringLiteral("Pixel"));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(pane.unpairTarget(), QStringLiteral("Pixel"));
    EXPECT_TRUE(alert->text().contains(QStringLiteral("「Pixel」")));
    for (QAbstractButton* button : alert->buttons()) {
        if (alert->buttonRole(button) == QMessageBox::RejectRole) {
            button->click();
        }
    }
    QApplication::processEvents(); // the closed alert deletes itself
    EXPECT_FALSE(pane.unpairTarget());
    EXPECT_TRUE(Paired::contains(settings, "Pixel", std::string("t2")));
    EXPECT_EQ(rowTitles(pane), (QStringList{"Moto", "Pixel"}));

    alert = openUnpairAlertFor(pane, QStringLiteral("Pixel"));
    ASSERT_NE(alert, nullptr);
    alert->findChild<QPushButton*>(QStringLiteral("confirmUnpair"))->click();
    QApplication::processEvents();
    EXPECT_FALSE(pane.unpairTarget());
    EXPECT_FALSE(Paired::contains(settings, "Pixel", std::string("t2")));
    EXPECT_EQ(Paired::tokensByDisplayName(settings).count("Pixel"), 0u);
    EXPECT_EQ(rowTitles(pane), QStringList{"Moto"});
}

TEST_F(PairedPhonesPane, FollowsPairingsMadeOrForgottenWhileItIsOpen) {
    Paired::add(settings, "Moto", "t1");
    PairedPhonesDetail pane(services());
    pane.show();
    Paired::add(settings, "Pixel", "t2"); // a phone trusted in the dialog meanwhile
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return rowTitles(pane) == QStringList{"Moto", "Pixel"};
        },
        5000));
    Paired::remove(settings, "Moto"); // forgotten from a terminal
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowTitles(pane) == QStringList{"Pixel"}; }, 5000));
}

TEST_F(PairedPhonesPane, ReturnOnTheUnpairAlertCancels) {
    Paired::add(settings, "Pixel", "t2");
    PairedPhonesDetail pane(services());
    pane.show();
    QMessageBox* alert = openUnpairAlertFor(pane, QStringLiteral("Pixel"));
    ASSERT_NE(alert, nullptr);
    QTest::keyClick(alert, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(pane.unpairTarget()) << "the alert was answered";
    EXPECT_TRUE(Paired::contains(settings, "Pixel", std::string("t2")));
}

TEST_F(PairedPhonesPane, SaysWhatTheUserMustKnowAboutTheLink) {
    auto s = services();
    PairedPhonesDetail quiet(s);
    quiet.show();
    EXPECT_FALSE(quiet.findChild<QLabel*>(QStringLiteral("phoneLinkNotices"))->isVisible());
    s.phoneLinkNotices = [] { return QStringList{QStringLiteral("pair again")}; };
    PairedPhonesDetail told(s);
    told.show();
    auto* notices = told.findChild<QLabel*>(QStringLiteral("phoneLinkNotices"));
    EXPECT_TRUE(notices->isVisible());
    EXPECT_EQ(notices->text(), QStringLiteral("pair again"));
}

TEST_F(PairedPhonesPane, ShowsAndCopiesThePairingAddressOrSaysThereIsNone) {
    PairedPhonesDetail pane(services());
    pane.show();
    const QString text = QString::fromStdString(sampleAddress.toString());
    auto* code = pane.findChild<QrCodeView*>();
    ASSERT_NE(code, nullptr);
    EXPECT_TRUE(code->isVisible());
    EXPECT_EQ(code->text(), text);
    EXPECT_TRUE(code->showsCode());
    pane.findChild<QAbstractButton*>(QStringLiteral("copyPairingAddress"))->click();
    EXPECT_EQ(QApplication::clipboard()->text(), text); // exactly, nothing added for display

    address = std::nullopt; // the phone link stopped listening
    pane.hide();
    pane.show();
    EXPECT_FALSE(code->isVisible());
    EXPECT_TRUE(pane.findChild<QWidget*>(QStringLiteral("noPairingAddress"))->isVisible());
}

TEST(TerminalSupportPane, EveryLinuxTerminalTheSwitcherKnowsIsListedWithItsTier) {
    test::widgetApp();
    const auto items = TerminalSupportDetail::items();
    for (TerminalKind kind : allTerminalKinds) {
        // The two script-driven terminals exist only where a script runner
        // does; a session in an unknown terminal falls under the last row.
        if (kind == TerminalKind::appleTerminal || kind == TerminalKind::iterm2 ||
            kind == TerminalKind::unknown) {
            continue;
        }
        const QString name = QString::fromUtf8(displayName(kind).data(),
                                               static_cast<qsizetype>(displayName(kind).size()));
        auto item = std::find_if(items.begin(), items.end(),
                                 [&](const auto& i) { return i.name.contains(name); });
        ASSERT_NE(item, items.end()) << name.toStdString();
        EXPECT_EQ(item->tier == TerminalSupportDetail::Tier::full, supportsTabSwitch(kind))
            << name.toStdString();
    }
    EXPECT_EQ(items.back().tier, TerminalSupportDetail::Tier::none);

    TerminalSupportDetail pane;
    EXPECT_EQ(pane.findChildren<SettingsRow*>(QStringLiteral("terminal")).size(),
              static_cast<qsizetype>(items.size()));
}

TEST(PermissionsPane, ChecksThePortThePhoneLinkReallyListensOn) {
    test::widgetApp();
    SettingsServices services;
    services.pairingAddress = [] {
        return std::optional<PairingAddress>(PairingAddress{"h", 52017, std::string(64, 'a'), ""});
    };
    PermissionsDetail pane(services);
    auto probes = std::make_shared<test::FakeSystemProbes>();
    pane.checks()->setProbes(probes);
    QSignalSpy checked(pane.checks(), &SystemChecksView::checked);
    pane.show();
    ASSERT_TRUE(checked.wait(10000));
    EXPECT_EQ(probes->askedPort, 52017);

    // Without a listening phone link: the standard port.
    PermissionsDetail bare;
    bare.checks()->setProbes(probes);
    QSignalSpy bareChecked(bare.checks(), &SystemChecksView::checked);
    bare.show();
    ASSERT_TRUE(bareChecked.wait(10000));
    EXPECT_EQ(probes->askedPort, TransportPort::standard);
}

} // namespace
} // namespace quillo
