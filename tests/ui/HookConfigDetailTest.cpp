// SPDX-License-Identifier: GPL-3.0-or-later
// The hook pane with the real installer on a temporary home: one plan at a
// time, the preview, the write and the messages it reports.
#include "settings/HookConfigDetail.h"
#include "InstallerTestSupport.h"
#include "WidgetTestApp.h"
#include "platform/FileRevealer.h"
#include "settings/HookDiffSheet.h"
#include "settings/SettingsRow.h"

#include <QChildEvent>
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
    QString status(HookConfigDetail& pane) const {
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
    QThreadPool::globalInstance()->waitForDone();
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
