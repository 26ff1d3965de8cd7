// SPDX-License-Identifier: GPL-3.0-or-later
// The first-run guide's flow: its pages in order, the hook write and its
// failure, and what finishing or closing records.
#include "InstallerTestSupport.h"
#include "WidgetTestApp.h"
#include "onboarding/HookDiffView.h"
#include "onboarding/OnboardingView.h"
#include "onboarding/OnboardingWindowController.h"
#include "settings/PaneButton.h"
#include "pairing/PairingAddressText.h"
#include "pairing/QrCodeView.h"
#include "platform/SettingsStore.h"
#include "system/SystemChecks.h"
#include "system/SystemChecksView.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quillo {
namespace {

namespace fs = std::filesystem;

struct Onboarding : ::testing::Test {
    Onboarding() {
        test::widgetApp();
        services.settings = &settings;
        services.hookSetup = std::make_shared<HookInstaller::Setup>(HookInstaller::Setup{
            home.path() / ".claude/settings.json", test::fixtureRecorder, std::nullopt});
        services.pairingAddress = [] {
            return PairingAddress{"192.168.1.20", 47810, std::string(64, 'a'), "desk"};
        };
    }

    fs::path settingsFile() const { return services.hookSetup->settingsPath; }
    std::size_t filesBesideSettings() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(settingsFile().parent_path()), {}));
    }

    OnboardingWindowController& controller() {
        if (!controller_) {
            controller_.emplace(services, [this](bool on) { launchAtLogin.push_back(on); });
        }
        return *controller_;
    }
    // Shows the guide and walks it to the hook page.
    OnboardingView* toHookPage(bool force = false) {
        controller().show(force);
        OnboardingView* view = controller().view();
        EXPECT_NE(view, nullptr);
        // Pictures of the checks, not the test machine's own probes.
        view->systemChecks()->setResults(SystemChecks::samples());
        EXPECT_EQ(view->step(), OnboardingStep::welcome);
        view->primaryButton()->click();
        EXPECT_EQ(view->step(), OnboardingStep::permissions);
        view->secondaryButton()->click(); // "稍后设置"
        EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
        return view;
    }

    // Presses the hook page's primary button (or a key) and waits for the
    // write, which runs off the main thread.
    void apply(OnboardingView* view, std::optional<Qt::Key> key = std::nullopt) {
        QSignalSpy done(view, &OnboardingView::applyFinished);
        if (key) {
            QTest::keyClick(view, *key);
        } else {
            view->primaryButton()->click();
        }
        EXPECT_TRUE(done.wait(20000));
    }

    test::TempHome home;
    MemorySettingsStore settings;
    SettingsServices services;
    std::vector<bool> launchAtLogin;
    std::optional<OnboardingWindowController> controller_;
};

TEST_F(Onboarding, SkippingTheHooksStillCompletesAndSwitchesAutostartOnOnce) {
    OnboardingView* view = toHookPage();
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(settings.boolean("quillo.onboardingCompleted"));
    EXPECT_EQ(launchAtLogin, std::vector<bool>{true});
    EXPECT_FALSE(controller().isVisible());
    EXPECT_FALSE(fs::exists(settingsFile())); // skipped: nothing written

    // Completed: shown again only when forced, from the start, and finishing
    // again leaves autostart to the user.
    controller().show(false);
    EXPECT_FALSE(controller().isVisible());
    view = toHookPage(true);
    apply(view);
    EXPECT_EQ(view->step(), OnboardingStep::iphone);
    EXPECT_TRUE(HookInstaller::validate(*services.hookSetup));
    view->primaryButton()->click();
    EXPECT_FALSE(controller().isVisible());
    EXPECT_EQ(launchAtLogin, std::vector<bool>{true});
}

// Run from a build folder, finishing leaves start at login off (its entry would
// dangle after `make clean`), and the guide says where the hook points.
TEST_F(Onboarding, FromABuildFolderAutostartStaysOffAndTheHookPageSaysWhy) {
    services.buildFolder = home.path() / "quillo/build-release";
    OnboardingView* view = toHookPage();
    auto* note = view->findChild<QLabel*>("onboardingBuildFolderNote");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains(QString::fromStdString(services.buildFolder->string())));
    EXPECT_TRUE(note->text().contains("make install"));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(settings.boolean("quillo.onboardingCompleted"));
    EXPECT_EQ(launchAtLogin, std::vector<bool>{});
    EXPECT_FALSE(settings.boolean("quillo.launchAtLoginDefaultApplied"));

    // An installed copy is no build folder; one whose parent holds CMake's cache is.
    EXPECT_EQ(HookInstaller::buildFolder(home.path() / "usr/bin"), std::nullopt);
    fs::create_directories(home.path() / "build/bin");
    test::writeFile(home.path() / "build/CMakeCache.txt", "");
    EXPECT_EQ(HookInstaller::buildFolder(home.path() / "build/bin"), home.path() / "build");
}

TEST_F(Onboarding, AFailedWriteKeepsThePageWithItsReasonAndCanBeRetried) {
    test::writeFile(home.path() / ".claude", "a file where the folder belongs");
    OnboardingView* view = toHookPage();
    EXPECT_EQ(view->primaryButton()->text(), "确认并应用");
    apply(view);
    EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
    ASSERT_TRUE(view->applyError());
    EXPECT_TRUE(view->applyError()->startsWith("写入 settings.json 失败: "))
        << view->applyError()->toStdString();
    auto* shown = view->findChild<QWidget*>("onboardingApplyError");
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(view->primaryButton()->isEnabled());
    EXPECT_FALSE(settings.boolean("quillo.onboardingCompleted"));

    fs::remove(home.path() / ".claude");
    apply(view, Qt::Key_Return);
    EXPECT_EQ(view->step(), OnboardingStep::iphone);
    EXPECT_EQ(view->applyError(), std::nullopt);
    EXPECT_TRUE(HookInstaller::validate(*services.hookSetup));
}

TEST_F(Onboarding, AnUpToDatePlanIsStillWrittenWithItsBackup) {
    test::SettingsFixture installed;
    installed.setup = *services.hookSetup;
    test::installFrom(installed);
    ASSERT_EQ(filesBesideSettings(), 1u);

    OnboardingView* view = toHookPage();
    ASSERT_NE(view->plan(), nullptr);
    EXPECT_TRUE(view->plan()->isNoOp);
    EXPECT_EQ(view->primaryButton()->text(), "已是最新，继续");
    apply(view);
    EXPECT_EQ(view->step(), OnboardingStep::iphone);
    EXPECT_EQ(filesBesideSettings(), 2u); // the backup
}

// Whether a label shows all of its text in the room it was given.
::testing::AssertionResult showsItAll(const QLabel* label) {
    const QRect needed = label->fontMetrics().boundingRect(
        QRect(0, 0, label->width(), 100000), Qt::TextWordWrap, label->text());
    if (needed.width() > label->width() || needed.height() > label->height()) {
        return ::testing::AssertionFailure()
               << "needs " << needed.width() << "x" << needed.height() << ", has "
               << label->width() << "x" << label->height();
    }
    return ::testing::AssertionSuccess();
}

TEST_F(Onboarding, ThePhonePageShowsTheWholePairingAddressAndCopiesIt) {
    services.pairingAddress = [] {
        return PairingAddress{"192.168.1.20", 47810, std::string(64, 'a'), "workstation"};
    };
    OnboardingView* view = toHookPage();
    apply(view);
    ASSERT_EQ(view->step(), OnboardingStep::iphone);
    QCoreApplication::processEvents(); // the page's layout
    const QString address = QString::fromStdString(services.pairingAddress()->toString());
    EXPECT_EQ(view->qrCode()->text(), address);
    EXPECT_TRUE(view->qrCode()->showsCode());
    PairingAddressText* text = view->pairingAddress();
    ASSERT_TRUE(text->isVisible());
    EXPECT_EQ(text->address(), address);
    EXPECT_TRUE(showsItAll(text->label()));
    EXPECT_GE(text->label()->height(), 2 * text->label()->fontMetrics().height()); // it wraps

    ASSERT_TRUE(text->copyButton()->isVisible());
    QApplication::clipboard()->clear();
    QTest::mouseClick(text->copyButton(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), address); // without the break marks

    // Without a listening phone link there is no code, and the page says so.
    services.pairingAddress = [] { return std::optional<PairingAddress>(); };
    OnboardingView bare(services, [] {});
    bare.setStep(OnboardingStep::iphone);
    EXPECT_TRUE(bare.qrCode()->isHidden());
    EXPECT_TRUE(bare.pairingAddress()->isHidden());
    EXPECT_FALSE(bare.findChild<QLabel*>("onboardingNoPairingAddress")->isHidden());
}

TEST_F(Onboarding, DoneClosesTheGuideAndThenOpensTheDashboard) {
    std::vector<std::string> steps;
    services.showDashboard = [&] {
        steps.push_back(controller().isVisible() ? "dashboard over the guide" : "dashboard");
    };
    OnboardingView* view = toHookPage();
    apply(view);
    ASSERT_EQ(view->step(), OnboardingStep::iphone);
    QTest::mouseClick(view->primaryButton(), Qt::LeftButton);
    EXPECT_EQ(steps, std::vector<std::string>{"dashboard"});
    EXPECT_TRUE(settings.boolean("quillo.onboardingCompleted"));

    // Skipping the hooks ends the guide without a dashboard.
    view = toHookPage(true);
    view->secondaryButton()->click();
    EXPECT_FALSE(controller().isVisible());
    EXPECT_EQ(steps.size(), 1u);
}

// The plan is made when the window opens; Claude Code may change the file
// before the user presses the button, even on the "up to date" path.
TEST_F(Onboarding, AChangeMadeAfterThePreviewIsKeptAndThePreviewMadeAgain) {
    test::SettingsFixture installed;
    installed.setup = *services.hookSetup;
    installed.put(R"({"model": "opus", "permissions": {"allow": []}})");
    test::installFrom(installed);
    OnboardingView* view = toHookPage();
    ASSERT_TRUE(view->plan()->isNoOp);

    nlohmann::json changed = installed.json();
    changed["model"] = "sonnet";
    changed["permissions"]["allow"].push_back("Bash(git status)");
    installed.put(changed.dump(2));
    const std::size_t files = filesBesideSettings();
    apply(view);
    EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
    EXPECT_EQ(installed.json(), changed);
    EXPECT_EQ(filesBesideSettings(), files) << "no backup for a write not made";
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->diffView()->isPrepared(); }, 20000));
    ASSERT_FALSE(view->diffView()->notes().isEmpty());
    EXPECT_EQ(view->diffView()->notes()[0],
              "settings.json 在预览后被修改过，以下是按当前内容重新生成的变更");
    EXPECT_EQ(view->plan()->existingText, changed.dump(2));
    EXPECT_TRUE(view->primaryButton()->isEnabled());

    apply(view);
    EXPECT_EQ(view->step(), OnboardingStep::iphone);
    EXPECT_EQ(installed.json()["model"], "sonnet");
    EXPECT_EQ(installed.json()["permissions"]["allow"][0], "Bash(git status)");
}

TEST_F(Onboarding, AFileThatIsNotJsonIsShownAsTheReasonAndCannotBeApplied) {
    const std::string broken = "{\n  \"permissions\": {\"deny\": [\"Read(./.env)\"],},\n}\n";
    fs::create_directories(settingsFile().parent_path());
    test::writeFile(settingsFile(), broken);
    OnboardingView* view = toHookPage();
    EXPECT_FALSE(view->primaryButton()->isEnabled());
    EXPECT_TRUE(view->diffView()->refusal().startsWith(
        QString::fromStdString(settingsFile().string()) + " 不是有效的 JSON: 第 2 行第 "))
        << view->diffView()->refusal().toStdString();
    EXPECT_TRUE(view->diffView()->isVisibleTo(view));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
    EXPECT_EQ(test::readFile(settingsFile()), broken);
    EXPECT_EQ(filesBesideSettings(), 1u);
}

TEST_F(Onboarding, ClosingTheWindowDoesNotFinishTheFlow) {
    OnboardingView* view = toHookPage();
    view->close();
    EXPECT_FALSE(controller().isVisible());
    EXPECT_FALSE(settings.boolean("quillo.onboardingCompleted"));
    EXPECT_TRUE(launchAtLogin.empty());
    controller().show(false);
    EXPECT_TRUE(controller().isVisible());
    EXPECT_EQ(controller().view(), view); // the same window, where it was
    EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
}

} // namespace
} // namespace quillo
