// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics window: its filter and count, the type pills, loading a
// large log in the background, export and clear, and the one window.
#include "DiagnosticLogger.h"
#include "TempDir.h"
#include "WidgetTestApp.h"
#include "diagnostics/DiagnosticLogFilter.h"
#include "diagnostics/DiagnosticLogList.h"
#include "diagnostics/DiagnosticLogView.h"
#include "diagnostics/DiagnosticLogWindowController.h"
#include "diagnostics/TypePill.h"
#include "platform/DialogHistoryGuard.h"
#include "theme/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace quillo {
namespace {

using DiagnosticLogger::Entry;
using DiagnosticLogger::Severity;

Entry entry(const std::string& id, Severity severity, const std::string& category = "switch") {
    return {.id = id,
            .timestamp = timestampFromSeconds(1'800'000'000),
            .severity = severity,
            .category = category,
            .message = "message " + id,
            .context = {}};
}

std::vector<std::string> ids(const std::vector<Entry>& entries) {
    std::vector<std::string> result;
    for (const auto& e : entries) {
        result.push_back(e.id);
    }
    return result;
}

QString visiblePage(const DiagnosticLogView& view) {
    return view.findChild<QStackedWidget*>()->currentWidget()->objectName();
}

struct DiagnosticsFixture : ::testing::Test {
    DiagnosticsFixture() { test::widgetApp(); }
};

TEST_F(DiagnosticsFixture, FiltersKeepTheirSeveritiesWhileTheCountStaysAllLoadedEntries) {
    DiagnosticLogView view(
        memoryDiagnosticLog({entry("i1", Severity::info), entry("w1", Severity::warning),
                             entry("e1", Severity::error), entry("i2", Severity::info)},
                            "/log"));
    auto* count = view.findChild<QLabel*>("logCount");
    auto* picker = view.findChild<QComboBox*>("logFilter");
    ASSERT_EQ(picker->count(), 4);

    const std::pair<int, std::vector<std::string>> expected[] = {
        {0, {"i1", "w1", "e1", "i2"}}, // 全部
        {1, {"e1"}},                   // 仅错误
        {2, {"w1", "e1"}},             // 错误 + 警告
        {3, {"i1", "i2"}},             // 仅信息
    };
    for (const auto& [index, kept] : expected) {
        picker->setCurrentIndex(index);
        EXPECT_EQ(ids(view.shownEntries()), kept) << picker->currentText().toStdString();
        EXPECT_EQ(count->text(), "4 条记录");
        EXPECT_EQ(visiblePage(view), "logList");
    }

    // A filter that keeps nothing shows the empty view, not an empty list.
    DiagnosticLogView infoOnly(memoryDiagnosticLog({entry("i1", Severity::info)}, "/log"));
    infoOnly.setFilter(Severity::error);
    EXPECT_TRUE(infoOnly.shownEntries().empty());
    EXPECT_EQ(visiblePage(infoOnly), "logEmpty");
    EXPECT_EQ(infoOnly.findChild<QLabel*>("logCount")->text(), "1 条记录");
}

TEST_F(DiagnosticsFixture, TypePillsFollowTheCategoryTableWhateverTheCase) {
    struct Case {
        std::string category;
        QString label;
        QColor color;
    };
    const Case cases[] = {
        {"Hook", "HOOK", Theme::statusActive()},
        {"HOOK-CONFIG", "HOOK", Theme::statusActive()},
        {"transport", "COMM", Theme::accent()},
        {"Process-Fail", "PROC", Theme::statusInput()},
        {"as", "AS", Theme::statusInput()},
        {"prune", "EVT", Theme::statusUnknown()},
        // Not in the table: the first four letters, upper-cased, faint.
        {"network", "NETW", Theme::fgFaint()},
        {"ui", "UI", Theme::fgFaint()},
        {"hooks", "HOOK", Theme::fgFaint()},
        {"网络连接状态", "网络连接", Theme::fgFaint()},
        {"", "", Theme::fgFaint()},
    };
    for (const Case& c : cases) {
        const TypePill pill = TypePill::forCategory(c.category);
        EXPECT_EQ(pill.label, c.label) << c.category;
        EXPECT_EQ(pill.color, c.color) << c.category;
    }
}

TEST_F(DiagnosticsFixture, ContextPairsAreSortedAsWrittenNotByKey) {
    // By key "a" comes before "a.b"; as written, "a.b=2" sorts before "a=1".
    EXPECT_EQ(contextText({{"a", "1"}, {"a.b", "2"}, {"Z", "3"}}), "Z=3  a.b=2  a=1");
    EXPECT_EQ(contextText({}), "");
    // What came from outside (a session id, a path) cannot break the row.
    EXPECT_EQ(contextText({{"cwd", std::string("/a\0b", 4)}, {"processId", "x\ny"}}),
              "cwd=/a\\u0000b  processId=x\\ny");
}

// A log source whose loads each wait until the test lets them finish.
struct GatedLog {
    std::mutex mutex;
    std::condition_variable changed;
    int released = 0;
    int started = 0;

    std::vector<Entry> load() {
        std::unique_lock lock(mutex);
        const int number = ++started;
        changed.notify_all();
        changed.wait(lock, [&] { return released >= number; });
        return {entry("load" + std::to_string(number), Severity::info)};
    }
    void release(int number) {
        std::lock_guard lock(mutex);
        released = std::max(released, number);
        changed.notify_all();
    }
    void waitStarted(int number) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return started >= number; });
    }
};

TEST_F(DiagnosticsFixture, LargeLogLoadsInTheBackgroundAndOnlyTheNewestLoadIsShown) {
    auto gate = std::make_shared<GatedLog>();
    DiagnosticLogSource source = memoryDiagnosticLog({}, "/log");
    source.load = [gate] { return gate->load(); };
    source.bytesToRead = [] { return DiagnosticLogView::backgroundLoadBytes + 1; };

    DiagnosticLogView view(source); // first load starts; the window stays responsive
    EXPECT_TRUE(view.isLoading());
    EXPECT_EQ(visiblePage(view), "logLoading");
    QSignalSpy loaded(&view, &DiagnosticLogView::entriesLoaded);

    gate->waitStarted(1);
    view.reload(); // second load; the first must not overwrite it when it ends late
    gate->waitStarted(2);
    gate->release(2);
    ASSERT_TRUE(loaded.wait(10'000));
    EXPECT_EQ(ids(view.entries()), std::vector<std::string>{"load2"});

    // The first load ends late; once its result has been handed back, it is
    // dropped.
    gate->release(1);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(ids(view.entries()), std::vector<std::string>{"load2"});
    EXPECT_FALSE(view.isLoading());
    EXPECT_EQ(visiblePage(view), "logList");
}

TEST_F(DiagnosticsFixture, ExportWritesTheWholeLogUnderTheProposedNameAndClearEmptiesIt) {
    test::TempHome home;
    std::filesystem::create_directories(home.appSupport());
    test::writeFile(DiagnosticLogger::previousFile(), "older\n");
    DiagnosticLogger::warn("switch", "newer");

    QString proposed;
    const auto destination = home.path() / "export" / "copy.log";
    std::filesystem::create_directories(destination.parent_path());
    DiagnosticLogView view(systemDiagnosticLog(), [&](QWidget*, const QString& name) {
        proposed = name;
        return std::optional<QString>(QString::fromStdString(destination.string()));
    });
    EXPECT_EQ(view.entries().size(), 1u);
    EXPECT_EQ(view.findChild<QLabel*>("logPath")->text().toStdString(),
              DiagnosticLogger::fileURL().string());

    view.findChild<QAbstractButton*>("exportButton")->click();
    EXPECT_TRUE(proposed.startsWith("quillo-diagnostic-") && proposed.endsWith(".log"));
    bool digits = false;
    proposed.mid(18, proposed.size() - 22).toLongLong(&digits);
    EXPECT_TRUE(digits) << proposed.toStdString();
    const std::string copy = test::readFile(destination);
    EXPECT_TRUE(copy.starts_with("older\n")) << copy;
    EXPECT_NE(copy.find("\"newer\""), std::string::npos) << copy;

    view.findChild<QAbstractButton*>("clearButton")->click();
    EXPECT_FALSE(std::filesystem::exists(DiagnosticLogger::fileURL()));
    EXPECT_FALSE(std::filesystem::exists(DiagnosticLogger::previousFile()));
    EXPECT_TRUE(view.entries().empty());
    EXPECT_EQ(visiblePage(view), "logEmpty");
}

TEST_F(DiagnosticsFixture, RowsSetTheTimeOnTheMessagesBaselineAndAlignTheMessages) {
    const QRect row(0, 40, 720, 30);
    std::vector<DiagnosticLogDelegate::RowLayout> rows;
    for (const char* category : {"transport", "parse", "as", "network", "prune"}) {
        Entry shown = entry(category, Severity::info, category);
        rows.push_back(DiagnosticLogDelegate::layoutRow(shown, row));
        const auto& layout = rows.back();
        EXPECT_DOUBLE_EQ(layout.timeBaseline, layout.messageBaseline) << category;
        EXPECT_GE(layout.messageLeft,
                  layout.pillLeft + TypePill::forCategory(category).size().width())
            << category;
    }
    for (const auto& layout : rows) {
        EXPECT_DOUBLE_EQ(layout.messageLeft, rows.front().messageLeft);
    }

    // As drawn: the time's digits and a message in capitals (neither reaches
    // below the baseline) end on the same pixel row.
    Entry capitals = entry("c", Severity::info, "hook");
    capitals.message = "HOOK EVENTS READY";
    DiagnosticLogView view(memoryDiagnosticLog({capitals}, "/log"));
    view.resize(720, 300);
    view.show();
    QCoreApplication::processEvents();
    auto* list = view.findChild<QListView*>("logList");
    const QImage image = list->viewport()->grab().toImage();
    const QRect first = list->visualRect(list->model()->index(0, 0));
    const auto layout = DiagnosticLogDelegate::layoutRow(capitals, first);
    const double scale = image.devicePixelRatio();
    auto lowestInk = [&](int fromX, int toX) {
        int lowest = -1;
        const QColor background = image.pixelColor(1, static_cast<int>(first.top() * scale) + 1);
        for (int y = static_cast<int>(first.top() * scale);
             y < static_cast<int>((first.bottom() - 1) * scale); ++y) {
            for (int x = static_cast<int>(fromX * scale); x < static_cast<int>(toX * scale); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (std::abs(pixel.lightness() - background.lightness()) > 30) {
                    lowest = y;
                }
            }
        }
        return lowest;
    };
    const int time = lowestInk(first.left() + 2, static_cast<int>(layout.pillLeft) - 4);
    const int message = lowestInk(static_cast<int>(layout.messageLeft), first.right());
    ASSERT_GE(time, 0);
    ASSERT_GE(message, 0);
    EXPECT_LE(std::abs(time - message), 1) << "time ends at " << time << ", message at " << message;
}

TEST_F(DiagnosticsFixture, AnEmptyLogIsNotExportedAndTheUserIsToldWhy) {
    test::TempHome home;
    int asked = 0;
    DiagnosticLogView view(systemDiagnosticLog(), [&](QWidget*, const QString&) {
        ++asked;
        return std::optional<QString>((home.path() / "copy.log").string().c_str());
    });
    view.show();
    view.findChild<QAbstractButton*>("exportButton")->click();
    EXPECT_EQ(asked, 0);
    auto* note = view.findChild<QMessageBox*>("nothingToExport");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    note->accept();
    QCoreApplication::processEvents();

    // Something older than a day is still in the file: that is exported.
    std::filesystem::create_directories(home.appSupport());
    test::writeFile(DiagnosticLogger::previousFile(), "older\n");
    view.findChild<QAbstractButton*>("exportButton")->click();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(test::readFile(home.path() / "copy.log"), "older\n");
}

// The save dialog as the export button opens it, answered by the user.
void answerTheSaveDialog(bool save, const QString& name = {}) {
    QTimer::singleShot(0, [save, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (save) {
            dialog->selectFile(name);
            static_cast<QDialog*>(dialog)->accept(); // the dialog's own check included
        } else {
            dialog->reject();
        }
    });
}

TEST_F(DiagnosticsFixture, TheSaveDialogLeavesNoHistoryOfItsOwnBehind) {
    test::TempHome home;
    std::filesystem::create_directories(home.appSupport());
    DiagnosticLogger::warn("switch", "something");
    const QString history = DialogHistoryGuard::historyFile();
    QFile::remove(history);
    DiagnosticLogView view(systemDiagnosticLog());
    view.show();

    answerTheSaveDialog(false);
    view.findChild<QAbstractButton*>("exportButton")->click();
    EXPECT_FALSE(QFile::exists(history));

    const auto destination = home.path() / "saved.log";
    answerTheSaveDialog(true, QString::fromStdString(destination.string()));
    view.findChild<QAbstractButton*>("exportButton")->click();
    EXPECT_TRUE(std::filesystem::exists(destination));
    EXPECT_FALSE(QFile::exists(history));

    // A history another program keeps there stays as it was.
    std::filesystem::create_directories(std::filesystem::path(history.toStdString()).parent_path());
    test::writeFile(history.toStdString(), "[FileDialog]\nlastVisited=file:///srv\n");
    answerTheSaveDialog(false);
    view.findChild<QAbstractButton*>("exportButton")->click();
    EXPECT_EQ(test::readFile(history.toStdString()), "[FileDialog]\nlastVisited=file:///srv\n");
    QFile::remove(history);
}

TEST_F(DiagnosticsFixture, ShowingTwiceBringsBackTheSameWindow) {
    DiagnosticLogWindowController controller(
        [] { return memoryDiagnosticLog({entry("i1", Severity::info)}, "/log"); });
    controller.show();
    QWidget* first = controller.window();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Quillo 诊断日志");
    controller.view()->setFilter(Severity::error);
    first->close();
    EXPECT_FALSE(first->isVisible());

    controller.show();
    EXPECT_EQ(controller.window(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(controller.view()->filter(), Severity::error);
    EXPECT_EQ(first->minimumSize(), QSize(600, 360));
}

} // namespace
} // namespace quillo
