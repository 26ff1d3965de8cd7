// SPDX-License-Identifier: GPL-3.0-or-later
// The hook pane with the real installer on a temporary home: one plan at a
// time, the preview, the write and the messages it reports.
#include "settings/HookConfigDetail.h"
#include "InstallerTestSupport.h"
#include "WidgetTestApp.h"
#include "app/Background.h"
#include "installer/HookHealthMonitor.h"
#include "onboarding/HookDiffView.h"
#include "platform/FileRevealer.h"
#include "platform/SettingsStore.h"
#include "settings/HookDiffSheet.h"
#include "settings/SettingsRow.h"

#include <QChildEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace quillo {
namespace {

namespace fs = std::filesystem;

// Counts the preview sheets shown over a pane, closed ones included.
struct SheetCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ChildPolished &&
            qobject_cast<HookDiffSheet*>(static_cast<QChildEvent*>(event)->child()) != nullptr) {
            ++shown;
        }
        return false;
    }
    int shown = 0;
};

struct HookPane : ::testing::Test {
    HookPane() {
        test::widgetApp();
        services.hookSetup = std::make_shared<HookInstaller::Setup>(setup());
        services.recheckHooks = [this] { ++rechecks; };
        services.fileRevealer = &revealer;
    }

    HookInstaller::Setup setup() const {
        return {home.path() / ".claude/settings.json", test::fixtureRecorder, std::nullopt};
    }
    fs::path settingsFile() const { return setup().settingsPath; }
    void putSettings(const std::string& text) const {
        fs::create_directories(settingsFile().parent_path());
        test::writeFile(settingsFile(), text);
    }

    QPushButton* primary(HookConfigDetail& pane) const {
        return pane.findChild<QPushButton*>("hookPrimaryButton");
    }
    // The status row's title, once the file has been read (off the main thread).
    QString status(HookConfigDetail& pane) const {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !pane.readingStatus(); }, 20000));
        return pane.findChild<SettingsRow*>("hookStatusRow")->title();
    }
    // Presses the primary button and waits for the preview.
    HookDiffSheet* openPreview(HookConfigDetail& pane) const {
        primary(pane)->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return pane.hookDiffSheet() != nullptr; }, 20000));
        return pane.hookDiffSheet();
    }
    bool waitIdle(HookConfigDetail& pane) const {
        return QTest::qWaitFor([&] { return !pane.hookBusy(); }, 20000);
    }

    test::TempHome home;
    FakeFileRevealer revealer;
    SettingsServices services;
    int rechecks = 0;
};

TEST_F(HookPane, PressingTwiceWhileBusyPreparesOnePlanAndOneSheet) {
    HookConfigDetail pane(services);
    SheetCounter sheets;
    pane.installEventFilter(&sheets);
    pane.show();
    EXPECT_EQ(status(pane), "未配置");
    EXPECT_EQ(primary(pane)->text(), "安装 Hook");

    primary(pane)->click();
    EXPECT_TRUE(pane.hookBusy());
    EXPECT_EQ(pane.hookActionMessage(), "正在准备配置预览...");
    EXPECT_EQ(primary(pane)->text(), "处理中...");
    EXPECT_FALSE(primary(pane)->isEnabled());
    pane.reinstallHook(); // a second press gets through only as a call

    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.hookDiffSheet() != nullptr; }, 20000));
    const QPointer<HookDiffSheet> first = pane.hookDiffSheet();
    // Had a second plan started, its result would arrive now.
    backgroundPool().waitForDone();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(sheets.shown, 1);
    EXPECT_EQ(pane.hookDiffSheet(), first.data());
    EXPECT_FALSE(pane.hookBusy());
    EXPECT_EQ(pane.hookActionMessage(), std::nullopt);
    EXPECT_TRUE(primary(pane)->isEnabled());
}

TEST_F(HookPane, ApplyingWithoutASettingsFileInstallsAndSaysThereIsNoBackup) {
    HookConfigDetail pane(services);
    pane.show();
    HookDiffSheet* sheet = openPreview(pane);
    ASSERT_NE(sheet, nullptr);
    sheet->applyButton()->click();
    ASSERT_TRUE(waitIdle(pane));

    EXPECT_EQ(pane.hookActionMessage(), "已写入. 备份在 (未备份)");
    EXPECT_TRUE(pane.hookInstalled());
    EXPECT_EQ(status(pane), "已配置 — 正常运行中");
    EXPECT_EQ(primary(pane)->text(), "重新配置");
    EXPECT_TRUE(HookInstaller::validate(setup()));
    EXPECT_EQ(rechecks, 1);

    // The next preview is up to date; cancelling it writes nothing.
    const std::string written = test::readFile(settingsFile());
    sheet = openPreview(pane);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->applyButton()->isEnabled());
    sheet->cancelButton()->click();
    QTest::qWait(20);
    EXPECT_EQ(test::readFile(settingsFile()), written);
    EXPECT_EQ(std::distance(fs::directory_iterator(settingsFile().parent_path()), {}), 1);
    EXPECT_EQ(status(pane), "已配置 — 正常运行中");
    EXPECT_EQ(rechecks, 1);
}

TEST_F(HookPane, ReportsTheBackupOfAnExistingFile) {
    putSettings("{\"model\": \"opus\"}\n");
    HookConfigDetail pane(services);
    HookDiffSheet* sheet = openPreview(pane);
    ASSERT_NE(sheet, nullptr);
    sheet->applyButton()->click();
    ASSERT_TRUE(waitIdle(pane));
    const QString prefix =
        "已写入. 备份在 " + QString::fromStdString(settingsFile().string()) + ".quillo-backup-";
    ASSERT_TRUE(pane.hookActionMessage()->startsWith(prefix));
    const fs::path backup =
        pane.hookActionMessage()->mid(QString("已写入. 备份在 ").size()).toStdString();
    EXPECT_EQ(test::readFile(backup), "{\"model\": \"opus\"}\n");
}

TEST_F(HookPane, AFailedWriteShowsTheInstallersReasonAndLeavesTheStatus) {
    // The settings folder is a file: neither root nor anyone can write below it.
    test::writeFile(home.path() / ".claude", "not a folder");
    HookConfigDetail pane(services);
    HookDiffSheet* sheet = openPreview(pane);
    ASSERT_NE(sheet, nullptr);
    sheet->applyButton()->click();
    ASSERT_TRUE(waitIdle(pane));
    ASSERT_TRUE(pane.hookActionMessage());
    EXPECT_TRUE(pane.hookActionMessage()->startsWith("写入失败: 写入 settings.json 失败: "))
        << pane.hookActionMessage()->toStdString();
    EXPECT_FALSE(pane.hookInstalled());
    EXPECT_EQ(status(pane), "未配置");
    EXPECT_EQ(rechecks, 1); // the health follows whatever the file now holds
}

TEST_F(HookPane, AChangeMadeAfterThePreviewIsKeptAndThePreviewShownAgain) {
    putSettings(R"({"model": "opus"})");
    HookConfigDetail pane(services);
    pane.show();
    QPointer<HookDiffSheet> sheet = openPreview(pane);
    ASSERT_NE(sheet, nullptr);
    const std::string newer =
        R"json({"model": "sonnet", "permissions": {"allow": ["Bash(git status)"]}})json";
    putSettings(newer);
    sheet->applyButton()->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return pane.hookDiffSheet() != nullptr && pane.hookDiffSheet() != sheet; }, 20000));
    ASSERT_TRUE(waitIdle(pane));
    EXPECT_EQ(test::readFile(settingsFile()), newer);
    EXPECT_EQ(std::distance(fs::directory_iterator(settingsFile().parent_path()), {}), 1);
    EXPECT_EQ(pane.hookActionMessage(), "settings.json 在预览后被修改过, 未写入。请确认新的预览");
    HookDiffSheet* again = pane.hookDiffSheet();
    EXPECT_EQ(again->plan().existingText, newer);
    ASSERT_FALSE(again->diffView()->notes().isEmpty());
    EXPECT_EQ(again->diffView()->notes()[0],
              "settings.json 在预览后被修改过，以下是按当前内容重新生成的变更");

    again->applyButton()->click();
    ASSERT_TRUE(waitIdle(pane));
    EXPECT_TRUE(pane.hookInstalled());
    const auto written = nlohmann::json::parse(test::readFile(settingsFile()));
    EXPECT_EQ(written["model"], "sonnet");
    EXPECT_EQ(written["permissions"]["allow"][0], "Bash(git status)");
}

TEST_F(HookPane, AFileThatIsNotJsonNeedsTheUserAndIsNeverWritten) {
    const std::string broken = "{\n  \"model\": \"opus\",\n}\n";
    putSettings(broken);
    HookConfigDetail pane(services);
    pane.show();
    EXPECT_EQ(status(pane), "settings.json 需要你先处理");
    EXPECT_TRUE(pane.findChild<SettingsRow*>("hookStatusRow")
                    ->subtitle()
                    .value_or(QString())
                    .startsWith(QString::fromStdString(settingsFile().string()) +
                                " 不是有效的 JSON: 第 3 行第 1 列有误"));
    HookDiffSheet* sheet = openPreview(pane);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->applyButton()->isEnabled());
    EXPECT_FALSE(sheet->diffView()->refusal().isEmpty());
    pane.applyHook(sheet->plan()); // even when asked directly
    ASSERT_TRUE(waitIdle(pane));
    EXPECT_TRUE(pane.hookActionMessage().value_or("").startsWith(
        "写入失败: " + QString::fromStdString(settingsFile().string())));
    EXPECT_EQ(test::readFile(settingsFile()), broken);
    EXPECT_EQ(std::distance(fs::directory_iterator(settingsFile().parent_path()), {}), 1);
}

TEST_F(HookPane, OffersTheEventsTheInstalledClaudeCodeSupportsWhenShown) {
    MemorySettingsStore store;
    store.setBoolean("quillo.onboardingCompleted", true);
    HookHealthMonitor health(store, [] { return true; });
    std::vector<std::string> missing = {"PermissionRequest", "StopFailure"};
    int checks = 0;
    health.setEventsCheck([&] {
        ++checks;
        return missing;
    });
    services.health = &health;
    services.recheckClaudeCodeEvents = [&] { health.checkClaudeCodeEvents(); };
    test::SettingsFixture installed;
    installed.setup = setup();
    test::installFrom(installed);

    HookConfigDetail pane(services);
    auto* note = pane.findChild<QLabel*>("hookEventsNote");
    pane.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return note->isVisible(); }, 20000));
    EXPECT_EQ(checks, 1) << "asked when shown";
    EXPECT_TRUE(note->text().contains("PermissionRequest, StopFailure"))
        << note->text().toStdString();
    EXPECT_EQ(status(pane), "已配置 — 正常运行中");
    EXPECT_FALSE(health.hasError());
    EXPECT_EQ(primary(pane)->text(), "重新配置"); // the same preview adds them

    missing.clear();
    pane.hide();
    pane.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return note->isHidden(); }, 20000));
}

TEST_F(HookPane, CountsLegacyEntriesAsInstalledAndRevealsTheSettingsFile) {
    putSettings(test::testData("settings-legacy-marker.json"));
    HookConfigDetail pane(services);
    pane.show();
    EXPECT_EQ(status(pane), "已配置 — 正常运行中");
    EXPECT_EQ(primary(pane)->text(), "重新配置");
    pane.findChild<QPushButton*>("revealSettingsButton")->click();
    EXPECT_EQ(revealer.revealed, QStringList{QString::fromStdString(settingsFile().string())});
}

} // namespace
} // namespace quillo
