// SPDX-License-Identifier: GPL-3.0-or-later
// The hook change preview: which lines count as new, what the note says, and
// the sheet's two answers.
#include "InstallerTestSupport.h"
#include "WidgetTestApp.h"
#include "onboarding/DiffLine.h"
#include "onboarding/HookDiffView.h"
#include "settings/HookDiffSheet.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using Kind = DiffLine::Kind;

std::vector<DiffLine> lines(std::initializer_list<std::pair<Kind, const char*>> expected) {
    std::vector<DiffLine> result;
    for (auto [kind, text] : expected) {
        result.push_back({kind, text});
    }
    return result;
}

TEST(DiffLine, MarksLinesByCountNotByPosition) {
    // A missing file: everything is new, the final empty line too.
    EXPECT_EQ(DiffLine::build("", "{\n}\n"),
              lines({{Kind::added, "{"}, {Kind::added, "}"}, {Kind::added, ""}}));
    // Moved lines are context; a line the target holds twice but the file
    // once is context the first time only; removed lines are not listed.
    EXPECT_EQ(DiffLine::build("b\n}\na\nold\n", "a\n}\nb\n}\n"), lines({{Kind::context, "a"},
                                                                        {Kind::context, "}"},
                                                                        {Kind::context, "b"},
                                                                        {Kind::added, "}"},
                                                                        {Kind::context, ""}}));
    // Indentation is part of the line.
    EXPECT_EQ(DiffLine::build("  x", "x"), lines({{Kind::added, "x"}}));
}

TEST(DiffLine, WindowsAndOldMacLineEndsCompareAsLineFeeds) {
    EXPECT_EQ(DiffLine::build("a\r\nb\rc\r\n", "a\nb\nc\nd\n"), lines({{Kind::context, "a"},
                                                                       {Kind::context, "b"},
                                                                       {Kind::context, "c"},
                                                                       {Kind::added, "d"},
                                                                       {Kind::context, ""}}));
    EXPECT_EQ(normalizedLines(""), std::vector<std::string>{""});
    EXPECT_EQ(normalizedLines("\r\n\r"), (std::vector<std::string>{"", "", ""}));
}

// The preview reads the existing file's canonical text in pieces as it is
// written, never whole: over a file of many pieces, with lines repeated and
// lines across the pieces' ends, it marks what the whole text would mark, and
// tells a file already in the writer's layout from one that is not.
TEST(DiffLine, APreviewInPiecesMarksWhatTheWholeTextWould) {
    nlohmann::json root;
    root["model"] = "opus";
    for (int i = 0; i < 12000; ++i) {
        // Some rules twice: a line counts as often as the file holds it.
        root["permissions"]["allow"].push_back("Bash(git -C /srv/p" + std::to_string(i % 9000) +
                                               " log:*)");
    }
    nlohmann::json changed = root;
    changed["permissions"]["allow"].push_back("Bash(git -C /srv/p1 log:*)");
    changed["permissions"]["allow"].push_back("Bash(git -C /srv/p12000 log:*)");
    changed["hooks"]["Stop"] = nlohmann::json::array({{{"matcher", ""}}});
    const std::string target = *HookInstaller::canonicalText(changed.dump());
    const std::string canonical = *HookInstaller::canonicalText(root.dump());
    ASSERT_GT(canonical.size(), 6u * 64 * 1024);

    for (const std::string& existing :
         {root.dump(2) + "\n", canonical, canonical.substr(0, canonical.size() - 1),
          canonical + "\n"}) {
        const DiffPreview preview = previewDiff(existing, target);
        EXPECT_EQ(preview.reformatted, existing != canonical);
        const std::vector<DiffRow> whole = diffRows(canonical, target);
        ASSERT_EQ(preview.rows.size(), whole.size());
        std::size_t added = 0;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(preview.rows[i].offset, whole[i].offset);
            EXPECT_EQ(preview.rows[i].kind, whole[i].kind) << "row " << i;
            added += whole[i].kind == Kind::added ? 1 : 0;
        }
        // Three rule lines (one held a third time, one new, the formerly last
        // one now with a comma), six lines of the hooks member and a second
        // "    ]" (the file holds one).
        EXPECT_EQ(added, 10u);
    }
}

struct HookPreview : ::testing::Test {
    HookPreview() { test::widgetApp(); }

    HookInstaller::Plan plan() const {
        return HookInstaller::computePlan(settings.setup, test::fixedTime);
    }

    test::SettingsFixture settings;
};

TEST_F(HookPreview, ForeignHooksStayContextAndOnlyOurGroupsAreAdded) {
    settings.putFixture("settings-foreign-groups-under-stop-and-pretooluse.json");
    HookDiffView view(plan());
    view.finishPreparing();
    int added = 0;
    for (const DiffLine& line : view.lines()) {
        if (line.text.find("QuilloHook") != std::string::npos) {
            EXPECT_EQ(line.kind, Kind::added) << line.text;
        }
        added += line.kind == Kind::added ? 1 : 0;
    }
    EXPECT_GT(added, 0);
    EXPECT_LT(added, static_cast<int>(view.lines().size()));
    // The fixture is in Claude Code's layout: the backup, then the new layout.
    ASSERT_EQ(view.notes().size(), 2);
    EXPECT_EQ(view.notes()[1], "文件也会被重新排版（键按字母排序，两空格缩进），内容不变");
    EXPECT_TRUE(view.notes()[0].startsWith("应用前会自动备份原配置文件到 " +
                                           QString::fromStdString(settings.path().string()) +
                                           ".quillo-backup-"))
        << view.notes()[0].toStdString();
}

TEST_F(HookPreview, ANarrowBackupNoteKeepsTheBackupsNameAndShowsAllOfItAsATooltip) {
    settings.putFixture("settings-foreign-groups-under-stop-and-pretooluse.json");
    HookDiffView view(plan());
    view.finishPreparing();
    view.resize(360, 400);
    view.show();
    QCoreApplication::processEvents();
    auto* note = view.findChild<QWidget*>("hookDiffNote");
    ASSERT_NE(note, nullptr);
    auto* label = note->findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    const QString backup = QString::fromStdString(view.plan()->backupPath.value());
    const QString name = backup.mid(backup.lastIndexOf('/') + 1); // settings.json.quillo-backup-…
    EXPECT_TRUE(label->text().startsWith("应用前会自动备份原配置文件到 ")) << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QChar(0x2026))) << label->text().toStdString();
    EXPECT_TRUE(label->text().endsWith(name.right(12))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    EXPECT_TRUE(label->toolTip().endsWith(backup));
}

TEST_F(HookPreview, MissingFileIsAllNewAndSaysItWillBeCreated) {
    HookDiffView view(plan());
    view.finishPreparing();
    for (const DiffLine& line : view.lines()) {
        EXPECT_EQ(line.kind, Kind::added) << line.text;
    }
    EXPECT_EQ(view.notes(), QStringList{"settings.json 不存在，将创建新文件"});
    HookDiffSheet sheet(*view.plan());
    EXPECT_EQ(sheet.applyButton()->text(), "应用");
    EXPECT_TRUE(sheet.applyButton()->isEnabled());
}

TEST_F(HookPreview, SecondPreviewAfterApplyingChangesNothingAndCannotBeApplied) {
    settings.putFixture("settings-foreign-groups-under-stop-and-pretooluse.json");
    test::installFrom(settings);
    const HookInstaller::Plan again = plan();
    HookDiffView view(again);
    view.finishPreparing();
    for (const DiffLine& line : view.lines()) {
        EXPECT_EQ(line.kind, Kind::context) << line.text;
    }
    ASSERT_EQ(view.notes().size(), 2);
    EXPECT_EQ(view.notes()[1], "当前配置已是最新，应用后内容不变");

    HookDiffSheet sheet(again);
    sheet.show();
    EXPECT_EQ(sheet.applyButton()->text(), "已是最新");
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    QSignalSpy applied(&sheet, &HookDiffSheet::applyRequested);
    QSignalSpy cancelled(&sheet, &HookDiffSheet::cancelled);
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(applied.count(), 0);
    EXPECT_TRUE(sheet.isVisible());
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_FALSE(sheet.isVisible());
}

// Claude Code writes ": " and leaves slashes alone; the installer's writer
// does neither. Only the installer's own lines may look new.
TEST_F(HookPreview, AFileInAnotherLayoutShowsOnlyTheRealChangesAndSaysItIsReformatted) {
    const std::string claudeLayout = "{\n  \"model\": \"opus\",\n  \"permissions\": {\n"
                                     "    \"allow\": [\"Read(/etc/hosts)\"]\n  }\n}\n";
    for (const std::string& text : {claudeLayout, "\xEF\xBB\xBF" + claudeLayout}) {
        settings.put(text);
        HookDiffView view(plan());
        view.finishPreparing();
        const std::vector<DiffLine> lines = view.lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], (DiffLine{Kind::context, "{"})) << "a byte-order mark changes nothing";
        for (const DiffLine& line : lines) {
            const bool ours = line.text.find("QuilloHook") != std::string::npos ||
                              line.text.find("_quillo_marker") != std::string::npos;
            if (ours) {
                EXPECT_EQ(line.kind, Kind::added) << line.text;
            }
            if (line.text.find("opus") != std::string::npos ||
                line.text.find("hosts") != std::string::npos) {
                EXPECT_EQ(line.kind, Kind::context) << line.text;
            }
        }
        EXPECT_TRUE(
            view.notes().contains("文件也会被重新排版（键按字母排序，两空格缩进），内容不变"))
            << view.notes().join(" | ").toStdString();
    }
    // The installer's own layout is not re-formatted.
    settings.put("{\n  \"model\" : \"opus\"\n}\n");
    HookDiffView same(plan());
    same.finishPreparing();
    EXPECT_FALSE(same.notes().contains("文件也会被重新排版（键按字母排序，两空格缩进），内容不变"));
}

TEST_F(HookPreview, APlanTheInstallerRefusesShowsWhyAndCannotBeApplied) {
    for (const std::string& text :
         {std::string("{\"model\": \"opus\",}"), std::string(R"({"timeout": 1e400})")}) {
        SCOPED_TRACE(text);
        settings.put(text);
        HookDiffSheet sheet(plan());
        sheet.show();
        const QString reason = QString::fromStdString(HookInstaller::refusalMessage(sheet.plan()));
        ASSERT_FALSE(reason.isEmpty());
        EXPECT_EQ(sheet.diffView()->refusal(), reason);
        EXPECT_FALSE(sheet.diffView()->findChild<QListView*>("hookDiffListing")->isVisible());
        EXPECT_TRUE(sheet.diffView()->notes().isEmpty()) << "no backup is promised";
        EXPECT_FALSE(sheet.applyButton()->isEnabled());
        QSignalSpy applied(&sheet, &HookDiffSheet::applyRequested);
        QTest::keyClick(&sheet, Qt::Key_Return);
        EXPECT_EQ(applied.count(), 0);
    }
}

// The comparison runs off the main thread; the listing is a view over a model
// that lays out only the rows in sight.
TEST_F(HookPreview, TheListingIsPreparedInTheBackgroundAndSaysWhenTheFileChanged) {
    settings.putFixture("settings-foreign-groups-under-stop-and-pretooluse.json");
    HookDiffView view;
    QSignalSpy prepared(&view, &HookDiffView::prepared);
    view.setPlan(plan(), /*fileChanged=*/true);
    EXPECT_FALSE(view.isPrepared());
    ASSERT_TRUE(prepared.wait(20000));
    auto* listing = view.findChild<QListView*>("hookDiffListing");
    ASSERT_NE(listing, nullptr);
    EXPECT_EQ(listing->model()->rowCount(), static_cast<int>(view.lines().size()));
    EXPECT_TRUE(listing->uniformItemSizes());
    ASSERT_FALSE(view.notes().isEmpty());
    EXPECT_EQ(view.notes()[0], "settings.json 在预览后被修改过，以下是按当前内容重新生成的变更");

    // A newer plan wins over a preparation still running.
    view.setPlan(plan());
    view.setPlan(HookInstaller::Plan{});
    view.finishPreparing();
    EXPECT_EQ(view.lines(), (std::vector<DiffLine>{DiffLine{Kind::added, ""}}));
}

TEST_F(HookPreview, SheetAppliesOnReturnEvenWithTheFocusOnCancel) {
    HookDiffSheet sheet(plan());
    sheet.show();
    sheet.cancelButton()->setFocus();
    QSignalSpy applied(&sheet, &HookDiffSheet::applyRequested);
    QSignalSpy cancelled(&sheet, &HookDiffSheet::cancelled);
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(applied.count(), 1);
    EXPECT_EQ(cancelled.count(), 0);
    // The sheet itself writes nothing.
    EXPECT_FALSE(std::filesystem::exists(settings.path()));
}

} // namespace
} // namespace quillo
