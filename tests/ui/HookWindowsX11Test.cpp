// SPDX-License-Identifier: GPL-3.0-or-later
// The first-run guide and the hook pane as real windows on a private X server,
// pressed with real mouse clicks: a settings file that changes while the
// preview is open keeps its change and the preview is made again; a file that
// is not JSON cannot be applied. Skipped (with the reason) where Xvfb or
// xdotool is missing.
#include "InstallerTestSupport.h"
#include "VirtualDisplay.h"
#include "onboarding/HookDiffView.h"
#include "onboarding/OnboardingView.h"
#include "onboarding/OnboardingWindowController.h"
#include "platform/SettingsStore.h"
#include "settings/HookConfigDetail.h"
#include "settings/HookDiffSheet.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace quillo {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// One virtual X server for the program, and the application on it through
// Qt's xcb platform. Started on first use.
const std::string& x11Unavailable() {
    static std::unique_ptr<test::VirtualDisplay> display;
    static std::string reason = [] {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            return std::string("xdotool is not installed (scripts/install-deps)");
        }
        display = std::make_unique<test::VirtualDisplay>("1024x768x24");
        if (display->name().empty()) {
            return std::string("Xvfb could not start a virtual display");
        }
        ::setenv("DISPLAY", display->name().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("XDG_SESSION_TYPE");
        static int argc = 1;
        static char name[] = "hook-windows-x11-tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return std::string();
    }();
    return reason;
}

// A real click in the middle of `widget`, through the X server.
void click(QWidget* widget) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget->window(), 20000));
    // Where it is once pending layouts are done.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    ASSERT_TRUE(widget->isVisible());
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                   QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(xdotool.waitForFinished(30000));
    ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
}

struct HookWindows : ::testing::Test {
    void SetUp() override {
        if (!x11Unavailable().empty()) {
            GTEST_SKIP() << x11Unavailable();
        }
        services.settings = &store;
        services.hookSetup = std::make_shared<HookInstaller::Setup>(HookInstaller::Setup{
            home.path() / ".claude/settings.json", test::fixtureRecorder, std::nullopt});
        settings.setup = *services.hookSetup;
    }
    std::size_t filesBesideSettings() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(settings.path().parent_path()), {}));
    }

    test::TempHome home;
    MemorySettingsStore store;
    SettingsServices services;
    test::SettingsFixture settings;
};

TEST_F(HookWindows, TheGuideKeepsAChangeMadeWhileItsPreviewWasOpen) {
    settings.put(R"({"model": "opus", "permissions": {"allow": []}})");
    OnboardingWindowController guide(services, [](bool) {});
    guide.show(false);
    OnboardingView* view = guide.view();
    ASSERT_NE(view, nullptr);
    click(view->primaryButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->step() == OnboardingStep::permissions; }));
    click(view->primaryButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->step() == OnboardingStep::hookConfig; }));

    // Claude Code writes the file while the user reads the preview.
    json changed = settings.json();
    changed["model"] = "sonnet";
    changed["permissions"]["allow"].push_back("Bash(git status)");
    settings.put(changed.dump(2));
    click(view->primaryButton());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->plan()->existingText == changed.dump(2); }, 20000));
    EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
    EXPECT_EQ(settings.json(), changed);
    EXPECT_EQ(filesBesideSettings(), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->diffView()->isPrepared(); }, 20000));
    EXPECT_EQ(view->diffView()->notes().value(0),
              "settings.json 在预览后被修改过，以下是按当前内容重新生成的变更");

    click(view->primaryButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->step() == OnboardingStep::iphone; }, 20000));
    EXPECT_EQ(settings.json()["model"], "sonnet");
    EXPECT_EQ(settings.json()["permissions"]["allow"][0], "Bash(git status)");
    EXPECT_TRUE(HookInstaller::validate(settings.setup));
}

TEST_F(HookWindows, TheGuideCannotApplyToAFileThatIsNotJson) {
    const std::string broken = "{\n  \"permissions\": {\"deny\": [\"Read(./.env)\"],},\n}\n";
    settings.put(broken);
    OnboardingWindowController guide(services, [](bool) {});
    guide.show(false);
    OnboardingView* view = guide.view();
    view->setStep(OnboardingStep::hookConfig);
    EXPECT_FALSE(view->primaryButton()->isEnabled());
    EXPECT_FALSE(view->diffView()->refusal().isEmpty());
    click(view->primaryButton());
    QTest::qWait(200); // a disabled button does nothing, now or later
    EXPECT_EQ(view->step(), OnboardingStep::hookConfig);
    EXPECT_FALSE(view->applying());
    EXPECT_EQ(test::readFile(settings.path()), broken);
    EXPECT_EQ(filesBesideSettings(), 1u);
}

TEST_F(HookWindows, ThePaneShowsItsPreviewAgainWhenTheFileChanged) {
    settings.put(R"({"model": "opus"})");
    HookConfigDetail pane(services);
    pane.resize(600, 400);
    pane.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.readingStatus(); }, 20000));
    click(pane.findChild<QPushButton*>("hookPrimaryButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.hookDiffSheet() != nullptr; }, 20000));
    QPointer<HookDiffSheet> first = pane.hookDiffSheet();

    const std::string newer = R"({"model": "sonnet"})";
    settings.put(newer);
    click(first->applyButton());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return pane.hookDiffSheet() != nullptr && pane.hookDiffSheet() != first; }, 20000));
    EXPECT_EQ(test::readFile(settings.path()), newer);
    HookDiffSheet* second = pane.hookDiffSheet();
    EXPECT_EQ(second->plan().existingText, newer);

    click(second->applyButton());
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.hookInstalled() && !pane.hookBusy(); }, 20000));
    EXPECT_EQ(settings.json()["model"], "sonnet");
}

} // namespace
} // namespace quillo
