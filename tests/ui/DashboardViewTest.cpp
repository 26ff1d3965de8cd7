// SPDX-License-Identifier: GPL-3.0-or-later
// The dashboard view against a model fed by hand, a fake clock, hand-run
// delayed calls and a switch runner that finishes when the test says so.
#include "dashboard/DashboardView.h"
#include "UiTestApp.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardParts.h"
#include "dashboard/MacProcessRow.h"
#include "dashboard/QuestionLine.h"
#include "dashboard/SwitchRunner.h"
#include "questions/OpenQuestions.h"
#include "theme/DotIndicator.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace quillo {
namespace {

using namespace std::chrono_literals;

const Timestamp t0 = timestampFromSeconds(1'700'000'000);

ClaudeProcess session(const std::string& id, ProcessState state, bool withTerminal = true) {
    ClaudeProcess process;
    process.id = id;
    process.name = "project-" + id;
    process.state = state;
    process.startedAt = t0;
    process.stateChangedAt = t0;
    if (withTerminal) {
        process.terminal = TerminalLocation{TerminalKind::kitty, 10, 11, "/dev/pts/1"};
    }
    return process;
}

// A clock the test moves, and delayed calls that run when it passes their time.
struct ManualTime {
    struct Pending {
        Timestamp due;
        QPointer<QObject> context;
        std::function<void()> call;
    };
    Timestamp current = t0;
    std::vector<Pending> pending;

    DashboardServices services(SwitchRunner* switcher) {
        DashboardServices result;
        result.clock = [this] { return current; };
        result.later = [this](std::chrono::milliseconds delay, QObject* context,
                              std::function<void()> call) {
            pending.push_back({current + delay, context, std::move(call)});
        };
        result.switcher = switcher;
        return result;
    }

    void advanceTo(double secondsAfterStart) {
        current = t0 + Seconds{secondsAfterStart};
        auto due = std::stable_partition(pending.begin(), pending.end(),
                                         [this](const Pending& p) { return p.due > current; });
        std::vector<Pending> ready(std::make_move_iterator(due),
                                   std::make_move_iterator(pending.end()));
        pending.erase(due, pending.end());
        for (Pending& p : ready) {
            if (!p.context.isNull()) {
                p.call();
            }
        }
    }
};

// Switches that finish only when the test finishes them.
struct HeldSwitches : SwitchRunner {
    struct Call {
        ClaudeProcess process;
        QPointer<QObject> context;
        Done done;
    };
    std::vector<Call> calls;

    void run(const ClaudeProcess& process, QObject* context, Done done) override {
        calls.push_back({process, context, std::move(done)});
    }
    void finish(std::size_t index, const SwitchResult& result) {
        if (!calls.at(index).context.isNull()) {
            calls.at(index).done(result);
        }
    }
};

struct DashboardFixture : ::testing::Test {
    DashboardFixture() { test::uiApp(); }

    std::unique_ptr<DashboardView> makeView(bool hint = false) {
        return std::make_unique<DashboardView>(model, hint, actions, time.services(&switches));
    }

    DashboardModel model;
    DashboardActions actions;
    ManualTime time;
    HeldSwitches switches;
};

std::vector<std::string> rowIds(const DashboardView& view) {
    std::vector<std::string> ids;
    for (MacProcessRow* row : view.rows()) {
        ids.push_back(row->process().id);
    }
    return ids;
}

TEST_F(DashboardFixture, RowsFollowTheStoreOrderAndKeepTheirStateWhileTheirSessionStays) {
    model.setProcesses({session("b", ProcessState::active), session("a", ProcessState::active)});
    auto view = makeView();
    EXPECT_EQ(rowIds(*view), (std::vector<std::string>{"b", "a"})) << "never sorted again";
    MacProcessRow* a = view->rowFor("a");
    a->applySwitchResult(SwitchResult::failed("kaputt"));

    model.setProcesses(
        {session("a", ProcessState::waitingInput), session("c", ProcessState::active)});
    EXPECT_EQ(rowIds(*view), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(view->rowFor("a"), a) << "same row, updated in place";
    EXPECT_EQ(a->process().state, ProcessState::waitingInput);
    EXPECT_EQ(a->errorText(), QString("kaputt"));
    EXPECT_EQ(view->rowFor("b"), nullptr);
}

TEST_F(DashboardFixture, EmptyStoreShowsTheEmptyStateAndACompletedSessionStillCounts) {
    auto view = makeView();
    auto* count = view->findChild<QLabel*>("processCountText");
    auto* empty = view->findChild<QWidget*>("emptyState");
    view->show();
    EXPECT_EQ(count->text(), "暂无活跃进程");
    EXPECT_TRUE(empty->isVisible());

    model.setProcesses({session("done", ProcessState::completed)});
    EXPECT_EQ(count->text(), "监控中：1 个 Claude Code 进程");
    EXPECT_FALSE(empty->isVisible());
    EXPECT_EQ(view->rows().size(), 1u);
}

TEST_F(DashboardFixture, TheListScrollsWithASlimBarWithoutArrows) {
    std::vector<ClaudeProcess> many;
    for (int i = 0; i < 30; ++i) {
        many.push_back(session(std::to_string(i), ProcessState::active));
    }
    model.setProcesses(many);
    auto view = makeView();
    view->show();
    auto* list = view->findChild<QScrollArea*>("processList");
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_TRUE(test::waitUntil([bar] { return bar->maximum() > 0 && bar->isVisible(); }));
    EXPECT_LE(bar->width(), 8);

    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.pageStep = bar->pageStep();
    option.sliderPosition = bar->sliderPosition();
    EXPECT_TRUE(
        bar->style()
            ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar)
            .isEmpty())
        << "no arrow buttons";

    // A press at the bottom end pages down, as beside any handle.
    const QPointF end(bar->width() / 2.0, bar->height() - 2);
    QMouseEvent press(QEvent::MouseButtonPress, end, bar->mapToGlobal(end), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, end, bar->mapToGlobal(end), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QApplication::sendEvent(bar, &release);
    EXPECT_EQ(bar->value(), std::min(bar->pageStep(), bar->maximum()));
}

// Counts a widget's paint events.
struct PaintCount : QObject {
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

std::vector<ClaudeProcess> sessions(int count, ProcessState state) {
    std::vector<ClaudeProcess> result;
    for (int i = 0; i < count; ++i) {
        result.push_back(session(std::to_string(i), state));
    }
    return result;
}

TEST_F(DashboardFixture, OnlyRowsInTheListsViewBreatheAndTickAndARowScrolledIntoViewCatchesUp) {
    model.setProcesses(sessions(30, ProcessState::waitingPermission));
    auto view = makeView();
    view->show();
    QScrollBar* bar = view->findChild<QScrollArea*>("processList")->verticalScrollBar();
    ASSERT_TRUE(test::waitUntil([bar] { return bar->maximum() > 0; }));
    MacProcessRow* top = view->rowFor("0");
    MacProcessRow* bottom = view->rowFor("29");
    auto* topDot = top->findChild<DotIndicator*>();
    auto* bottomDot = bottom->findChild<DotIndicator*>();
    ASSERT_TRUE(test::waitUntil([&] { return top->isOnScreen() && !bottom->isOnScreen(); }));
    EXPECT_LT(view->rowsOnScreen().size(), 15u) << "the view holds a few rows, not 30";

    // The top row breathes; the bottom one, out of view, holds still.
    const double topStart = topDot->phase();
    ASSERT_TRUE(test::waitUntil([&] { return topDot->phase() != topStart; }));
    EXPECT_TRUE(topDot->isAnimating());
    EXPECT_FALSE(bottomDot->isAnimating());
    EXPECT_EQ(bottomDot->phase(), 0);

    // The tick re-renders the rows in view only.
    time.advanceTo(5.01);
    EXPECT_EQ(top->statusText(), "等待权限 · 已 5 秒");
    EXPECT_EQ(bottom->statusText(), "等待权限 · 已 0 秒") << "out of view, not re-rendered";

    // Scrolled to the end, the bottom row breathes and shows its duration at
    // once, and the top one holds still.
    bar->setValue(bar->maximum());
    EXPECT_TRUE(bottom->isOnScreen());
    EXPECT_EQ(bottom->statusText(), "等待权限 · 已 5 秒");
    EXPECT_TRUE(bottomDot->isAnimating());
    EXPECT_FALSE(topDot->isAnimating());
    ASSERT_TRUE(test::waitUntil([&] { return bottomDot->phase() != 0; }));
    time.advanceTo(6.01);
    EXPECT_EQ(bottom->statusText(), "等待权限 · 已 6 秒") << "ticks in view";

    // A new session at the top pushes the last row out of view again.
    auto more = sessions(30, ProcessState::waitingPermission);
    more.insert(more.begin(), session("new", ProcessState::active));
    bar->setValue(0);
    model.setProcesses(more);
    ASSERT_TRUE(test::waitUntil([&] { return view->rowFor("new")->isOnScreen(); }));
    EXPECT_FALSE(bottom->isOnScreen());
    EXPECT_FALSE(bottomDot->isAnimating());
}

TEST_F(DashboardFixture, AStateChangeRepaintsOnlyItsOwnRow) {
    // Still dots, so that nothing else repaints.
    model.setProcesses(sessions(5, ProcessState::completed));
    auto view = makeView();
    view->show();
    ASSERT_TRUE(test::waitUntil([&] { return view->rowFor("4")->isOnScreen(); }));
    PaintCount changed(view->rowFor("2"));
    PaintCount other(view->rowFor("3"));
    ASSERT_TRUE(test::waitUntil([&] { return other.paints > 0; })) << "the first paint";
    QCoreApplication::processEvents();
    changed.paints = 0;
    other.paints = 0;
    const QRect otherPlace = view->rowFor("3")->geometry();
    struct LayoutRequests : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::LayoutRequest ? 1 : 0;
            return false;
        }
        int count = 0;
    } listLayouts;
    view->rowFor("2")->parentWidget()->installEventFilter(&listLayouts);

    // The dot's glow grows with the new state.
    auto next = sessions(5, ProcessState::completed);
    next[2].state = ProcessState::waitingInput;
    model.setProcesses(next);
    ASSERT_TRUE(test::waitUntil([&] { return changed.paints > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(other.paints, 0) << "an unchanged row is left alone";
    EXPECT_EQ(view->rowFor("3")->geometry(), otherPlace);
    EXPECT_EQ(listLayouts.count, 0) << "the list is not laid out again";
}

TEST_F(DashboardFixture, ASessionWithoutTerminalIsDimmedNamedUnavailableAndCannotBeTapped) {
    model.setProcesses({session("lost", ProcessState::active, false),
                        session("here", ProcessState::waitingPermission)});
    auto view = makeView();
    MacProcessRow* lost = view->rowFor("lost");
    MacProcessRow* here = view->rowFor("here");

    // Drawn at 55 %: no pixel of the row much more opaque than that (the
    // dot's centre over its glow a little).
    auto mostOpaque = [](QWidget* row) {
        QImage image(row->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        row->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        int most = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                most = std::max(most, qAlpha(image.pixel(x, y)));
            }
        }
        return most;
    };
    EXPECT_NEAR(mostOpaque(lost), 0.55 * 255, 0.03 * 255);
    EXPECT_EQ(mostOpaque(here), 255);
    EXPECT_EQ(lost->accessibleName(), "project-lost, 运行中, 窗口不可用");
    EXPECT_EQ(here->accessibleName(), "project-here, 等待权限, kitty");

    lost->handleTap();
    EXPECT_TRUE(switches.calls.empty());
    // Gaining a terminal makes it a normal row again.
    model.setProcesses({session("lost", ProcessState::active, true)});
    EXPECT_EQ(mostOpaque(lost), 255);
}

TEST_F(DashboardFixture, TheStateDotStaysCentredInItsFrameWhenItsGlowChanges) {
    model.setProcesses({session("a", ProcessState::active)});
    auto view = makeView();
    view->show();
    MacProcessRow* row = view->rowFor("a");
    auto* frame = row->findChild<QWidget*>("dotFrame");
    auto* dot = row->findChild<DotIndicator*>();
    ASSERT_TRUE(frame != nullptr && dot != nullptr);
    auto offCentre = [&] {
        const QPointF d = QRectF(dot->geometry()).center() - QRectF(frame->geometry()).center();
        return std::max(std::abs(d.x()), std::abs(d.y()));
    };
    EXPECT_LE(offCentre(), 0.5);
    for (ProcessState state :
         {ProcessState::waitingPermission, ProcessState::completed, ProcessState::waitingInput}) {
        const QSize before = dot->size();
        model.setProcesses({session("a", state)});
        ASSERT_NE(dot->size(), before) << "each state here has a glow of another size";
        EXPECT_LE(offCentre(), 0.5) << rawValue(state);
    }
}

TEST_F(DashboardFixture, DurationsTickOnlyWhileTheViewIsShown) {
    model.setProcesses({session("a", ProcessState::waitingInput)});
    auto view = makeView();
    EXPECT_FALSE(view->isTicking());
    time.advanceTo(61);
    view->show();
    EXPECT_TRUE(view->isTicking());
    EXPECT_EQ(view->rowFor("a")->statusText(), "等待输入 · 已 1 分 1 秒") << "current at once";
    time.advanceTo(3600);
    view->tick();
    EXPECT_EQ(view->rowFor("a")->statusText(), "等待输入 · 已 1 小时");
    view->hide();
    EXPECT_FALSE(view->isTicking());
}

TEST_F(DashboardFixture, EachRowTicksOnTheWholeSecondsAfterItsOwnChange) {
    ClaudeProcess late = session("late", ProcessState::active);
    late.stateChangedAt = t0 + 500ms;
    model.setProcesses({session("early", ProcessState::waitingInput), late});
    time.advanceTo(0.7);
    auto view = makeView();
    view->show();
    MacProcessRow* early = view->rowFor("early");
    MacProcessRow* lateRow = view->rowFor("late");
    EXPECT_EQ(early->statusText(), "等待输入 · 已 0 秒");

    time.advanceTo(1.02); // just past the early row's first second
    EXPECT_EQ(early->statusText(), "等待输入 · 已 1 秒");
    EXPECT_EQ(lateRow->statusText(), "运行中 · 已 0 秒");
    time.advanceTo(1.49);
    EXPECT_EQ(lateRow->statusText(), "运行中 · 已 0 秒");
    time.advanceTo(1.52); // the late row's own second
    EXPECT_EQ(lateRow->statusText(), "运行中 · 已 1 秒");
    time.advanceTo(2.02);
    EXPECT_EQ(early->statusText(), "等待输入 · 已 2 秒");

    // A new state change time moves the schedule with it.
    ClaudeProcess changed = session("early", ProcessState::active);
    changed.stateChangedAt = t0 + 2300ms;
    model.setProcesses({changed, late});
    time.advanceTo(3.32);
    EXPECT_EQ(early->statusText(), "运行中 · 已 1 秒");
}

TEST(DashboardTicks, TheNextTickIsTheNearestWholeSecondOfAnyRow) {
    using std::chrono::milliseconds;
    EXPECT_EQ(DashboardView::untilNextSecond({t0, t0 + 250ms}, t0 + 1500ms), milliseconds(501));
    EXPECT_EQ(DashboardView::untilNextSecond({t0 + 2s}, t0 + 1500ms), milliseconds(1501))
        << "a change time in the future reads 0 until a second after it";
    EXPECT_EQ(DashboardView::untilNextSecond({}, t0), milliseconds(1001));
}

TEST_F(DashboardFixture, ASwitchErrorAfterTheDurationStaysPutAsTheSecondsChange) {
    // A UI font whose digits differ in width, as many desktops' fonts do.
    QString proportional;
    for (const QString& family : QFontDatabase::families()) {
        const QFontMetricsF metrics{QFont(family)};
        if (QFontInfo(QFont(family)).family() == family &&
            metrics.horizontalAdvance(QLatin1Char('1')) !=
                metrics.horizontalAdvance(QLatin1Char('8'))) {
            proportional = family;
            break;
        }
    }
    if (proportional.isEmpty()) {
        GTEST_SKIP() << "no installed font has digits of different widths";
    }
    const QFont original = QApplication::font();
    QApplication::setFont(QFont(proportional));
    struct Restore {
        QFont font;
        ~Restore() { QApplication::setFont(font); }
    } restore{original};

    model.setProcesses({session("a", ProcessState::active)});
    auto view = makeView();
    view->show();
    MacProcessRow* row = view->rowFor("a");
    row->applySwitchResult(SwitchResult::failed("kaputt"));
    // Where the red error text starts.
    auto errorStart = [row] {
        const QImage image = row->grab().toImage();
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 120 && c.blue() < 120) {
                    return x;
                }
            }
        }
        return -1;
    };
    row->updateDuration(t0 + 11s);
    const int withOnes = errorStart();
    row->updateDuration(t0 + 18s);
    ASSERT_NE(withOnes, -1);
    EXPECT_EQ(errorStart(), withOnes) << proportional.toStdString();
}

TEST_F(DashboardFixture, ASecondTapWhileTheSwitchRunsDoesNothing) {
    model.setProcesses({session("a", ProcessState::waitingInput)});
    auto view = makeView();
    MacProcessRow* row = view->rowFor("a");
    row->handleTap();
    row->handleTap();
    ASSERT_EQ(switches.calls.size(), 1u);
    EXPECT_TRUE(row->isSwitching());

    switches.finish(0, SwitchResult::switched());
    EXPECT_FALSE(row->isSwitching());
    row->handleTap();
    EXPECT_EQ(switches.calls.size(), 2u);
}

TEST_F(DashboardFixture, AFailureShowsForFourSecondsAfterTheLatestFailure) {
    model.setProcesses({session("a", ProcessState::waitingInput)});
    auto view = makeView();
    MacProcessRow* row = view->rowFor("a");

    row->handleTap();
    switches.finish(0, SwitchResult::failed("first"));
    EXPECT_EQ(row->errorText(), QString("first"));
    EXPECT_EQ(row->toolTip(), "first") << "the whole message, however long";
    time.advanceTo(2);
    row->handleTap();
    switches.finish(1, SwitchResult::failed("second"));
    EXPECT_EQ(row->errorText(), QString("second"));

    time.advanceTo(4); // the first failure's check: the second is only 2 s old
    EXPECT_EQ(row->errorText(), QString("second"));
    time.advanceTo(5.9);
    EXPECT_EQ(row->errorText(), QString("second"));
    time.advanceTo(6);
    EXPECT_FALSE(row->errorText().has_value());

    // A success clears a message at once.
    row->handleTap();
    switches.finish(2, SwitchResult::failed("third"));
    row->handleTap();
    switches.finish(3, SwitchResult::activatedOnly());
    EXPECT_FALSE(row->errorText().has_value());
}

TEST_F(DashboardFixture, AFailureGoesAwayWithTheRealTimerEvenWhenTheTimerComesEarly) {
    // The real timer against a clock that runs 5 % slow: to the row, the timer
    // fires early, as coarse timers of a few seconds do.
    const auto start = std::chrono::steady_clock::now();
    DashboardServices services;
    services.clock = [start] {
        const std::chrono::duration<double> real = std::chrono::steady_clock::now() - start;
        return t0 + Seconds{0.95 * real.count()};
    };
    services.switcher = &switches;
    model.setProcesses({session("a", ProcessState::waitingInput)});
    DashboardView view(model, false, actions, services);
    MacProcessRow* row = view.rowFor("a");
    row->handleTap();
    switches.finish(0, SwitchResult::failed("kaputt"));
    ASSERT_EQ(row->errorText(), QString("kaputt"));
    EXPECT_TRUE(test::waitUntil([row] { return !row->errorText().has_value(); }, 30s));
}

TEST_F(DashboardFixture, BannersAndButtonsCallTheirActions) {
    int fixes = 0;
    int dismissals = 0;
    int settings = 0;
    actions.onFixHook = [&] { ++fixes; };
    actions.onDismissFirstUseHint = [&] { ++dismissals; };
    actions.onOpenSettings = [&] { ++settings; };
    auto view = makeView(true);
    view->show();
    auto* banner = view->findChild<PlainButton*>("hookErrorBanner");
    EXPECT_FALSE(banner->isVisible());
    model.setHookError(true);
    EXPECT_TRUE(banner->isVisible());
    emit banner->clicked();
    EXPECT_EQ(fixes, 1);

    emit view->findChild<PlainButton*>("firstUseHintClose")->clicked();
    EXPECT_EQ(dismissals, 1);
    emit view->findChild<PlainButton*>("settingsButton")->clicked();
    EXPECT_EQ(settings, 1);

    auto noHint = makeView(false);
    EXPECT_EQ(noHint->findChild<QWidget*>("firstUseHint"), nullptr);
}

// The rows answer real open questions, as the desktop monitor wires them.
struct QuestionsFixture : DashboardFixture {
    QuestionsFixture() {
        model.followQuestions(questions);
        services = time.services(&switches);
        services.answer = [this](std::uint64_t id, bool allow) {
            return questions.answer(id, allowOrDeny(allow), "dashboard");
        };
    }

    std::uint64_t ask(const std::string& sessionId, const std::string& command) {
        PermissionQuestion::Question question;
        question.sessionId = sessionId;
        question.toolName = "Bash";
        question.toolInput = {{"command", command}};
        return *questions.open(
            question,
            [this](const std::optional<PermissionQuestion::Answer>& answer) {
                replies.push_back(answer);
            },
            t0);
    }

    OpenQuestions questions;
    DashboardServices services;
    std::vector<std::optional<PermissionQuestion::Answer>> replies;
};

TEST_F(QuestionsFixture, ARowAnswersItsSessionsQuestionAndShowsTheOutcomeUntilTheStateChanges) {
    model.setProcesses(
        {session("asks", ProcessState::waitingPermission), session("works", ProcessState::active)});
    DashboardView view(model, false, actions, services);
    view.show();
    MacProcessRow* row = view.rowFor("asks");
    EXPECT_EQ(row->questionLine(), nullptr) << "made for the first question only";
    const int plainHeight = row->sizeHint().height();

    ask("asks", "rm -rf build && echo '<b>done</b>'");
    QuestionLine* line = row->questionLine();
    ASSERT_TRUE(line && line->isVisible());
    EXPECT_EQ(view.rowFor("works")->questionLine(), nullptr);
    EXPECT_EQ(line->text(), "Bash: rm -rf build && echo '<b>done</b>'");
    EXPECT_TRUE(line->allowButton()->isVisible());
    EXPECT_TRUE(line->denyButton()->isVisible());
    EXPECT_GT(row->sizeHint().height(), plainHeight) << "the question is a line of its own";
    // The tool's input is shown as text, never read as markup.
    EXPECT_TRUE(line->toolTip().contains("&lt;b&gt;done")) << line->toolTip().toStdString();
    EXPECT_FALSE(line->toolTip().contains("<b>"));

    // A click on Allow answers the recorder, and does not switch to the terminal.
    QTest::mouseClick(line->allowButton(), Qt::LeftButton);
    ASSERT_EQ(replies.size(), 1u);
    ASSERT_TRUE(replies[0].has_value());
    EXPECT_EQ(replies[0]->behavior, PermissionQuestion::Behavior::allow);
    EXPECT_TRUE(switches.calls.empty());
    EXPECT_TRUE(questions.questions().empty());
    EXPECT_EQ(row->answerOutcome(), MacProcessRow::AnswerOutcome::allowed);
    EXPECT_EQ(line->text(), "已允许");
    EXPECT_FALSE(line->allowButton()->isVisible());

    // The outcome stays while the session still waits, and goes when it moves on.
    model.setProcesses(
        {session("asks", ProcessState::waitingPermission), session("works", ProcessState::active)});
    EXPECT_TRUE(line->isVisible());
    ClaudeProcess running = session("asks", ProcessState::active);
    running.stateChangedAt = t0 + Seconds{2};
    model.setProcesses({running, session("works", ProcessState::active)});
    EXPECT_FALSE(line->isVisible());
    EXPECT_FALSE(row->answerOutcome().has_value());
}

TEST_F(QuestionsFixture, DenySendsItsMessageAndASessionsNextQuestionTakesThePlaceOfTheFirst) {
    model.setProcesses({session("asks", ProcessState::waitingPermission)});
    DashboardView view(model, false, actions, services);
    view.show();
    ask("asks", "first");
    ask("asks", "second");
    QuestionLine* line = view.rowFor("asks")->questionLine();
    EXPECT_EQ(line->text(), "Bash: first") << "the oldest question first";

    QTest::mouseClick(line->denyButton(), Qt::LeftButton);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0]->behavior, PermissionQuestion::Behavior::deny);
    EXPECT_EQ(replies[0]->message, "Denied from Quillo");
    EXPECT_EQ(line->text(), "Bash: second");
    EXPECT_TRUE(line->allowButton()->isVisible());
    EXPECT_FALSE(view.rowFor("asks")->answerOutcome().has_value());

    // Withdrawn (answered in the terminal): the line goes, with no outcome.
    questions.withdraw(*questions.oldestOf("asks"));
    EXPECT_FALSE(line->isVisible());
}

TEST_F(QuestionsFixture, ARowMadeWhileAQuestionIsOpenShowsItAndWithoutAnAnswerItHasNoButtons) {
    ask("later", "make");
    model.setProcesses({session("later", ProcessState::waitingPermission)});
    DashboardView view(model, false, actions, services);
    view.show();
    EXPECT_EQ(view.rowFor("later")->questionLine()->text(), "Bash: make");

    DashboardServices showOnly = time.services(&switches);
    DashboardView readOnly(model, false, actions, showOnly);
    readOnly.show();
    QuestionLine* line = readOnly.rowFor("later")->questionLine();
    EXPECT_TRUE(line->isVisible());
    EXPECT_FALSE(line->allowButton()->isVisible());
}

TEST(ThreadedSwitchRunner, SwitchesOffTheMainThreadAndReportsOnIt) {
    test::uiApp();
    QThread* switchedOn = nullptr;
    ThreadedSwitchRunner runner([&](const ClaudeProcess&) {
        switchedOn = QThread::currentThread();
        return SwitchResult::switched();
    });
    QObject context;
    QThread* reportedOn = nullptr;
    runner.run(session("a", ProcessState::active), &context,
               [&](const SwitchResult&) { reportedOn = QThread::currentThread(); });
    ASSERT_TRUE(test::waitUntil([&] { return reportedOn != nullptr; }));
    EXPECT_NE(switchedOn, QThread::currentThread());
    EXPECT_EQ(reportedOn, QThread::currentThread());

    // A row that went away while its switch ran hears nothing.
    bool heard = false;
    auto gone = std::make_unique<QObject>();
    std::atomic<bool> release{false};
    ThreadedSwitchRunner slow([&](const ClaudeProcess&) {
        while (!release) {
            QThread::msleep(1);
        }
        return SwitchResult::switched();
    });
    slow.run(session("b", ProcessState::active), gone.get(),
             [&](const SwitchResult&) { heard = true; });
    gone.reset();
    release = true;
    bool later = false;
    slow.run(session("c", ProcessState::active), &context,
             [&](const SwitchResult&) { later = true; });
    ASSERT_TRUE(test::waitUntil([&] { return later; }));
    EXPECT_FALSE(heard);
}

} // namespace
} // namespace quillo
