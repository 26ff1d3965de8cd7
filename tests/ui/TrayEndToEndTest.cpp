// SPDX-License-Identifier: GPL-3.0-or-later
// The status item and the dashboard on a real X server with a real tray host
// (run by run-with-tray), fed by real recorder runs: the icon appears, a click
// on it opens the dashboard under it with the sessions, a second click closes
// it, and Escape closes a panel. A screenshot of the open dashboard is kept in
// the build folder. The first-run guide, clicked through to its end, opens the
// dashboard. A recorder's permission question is answered by a click on its
// row's Allow.
#include "AppPaths.h"
#include "ChildProcess.h"
#include "PermissionQuestion.h"
#include "TempDir.h"
#include "TmuxServer.h"
#include "UiTestApp.h"
#include "app/DesktopShell.h"
#include "app/HeadlessMonitor.h"
#include "app/OnboardingPresenter.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "dashboard/QuestionLine.h"
#include "dashboard/SwitchRunner.h"
#include "installer/HookHealthMonitor.h"
#include "onboarding/OnboardingView.h"
#include "platform/SettingsStore.h"
#include "statusbar/DashboardPresenter.h"
#include "statusbar/StatusBarShell.h"
#include "statusbar/StatusItem.h"

#include <QApplication>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWindow>

#include "questions/OpenQuestions.h"
#include "questions/QuestionServer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillo {
namespace {

using namespace std::chrono_literals;

bool xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return ChildProcess::run(argv, {.timeLimit = std::chrono::seconds(10)}).succeeded();
}

void clickAt(QPoint point) {
    ASSERT_TRUE(
        xdotool({"mousemove", std::to_string(point.x()), std::to_string(point.y()), "click", "1"}));
}

// Runs the recorder with a fixture whose session id is replaced.
void record(const test::TempHome& home, const std::string& fixture, const std::string& session) {
    std::string payload = test::testData(fixture);
    const std::string original = "7f3b9c2e-5d41-4e8a-9b6f-0c2d1e4a8b73";
    if (auto at = payload.find(original); at != std::string::npos) {
        payload.replace(at, original.size(), session);
    }
    auto result = ChildProcess::run({QUILLO_HOOK_BINARY}, {.timeLimit = std::chrono::seconds(30),
                                                           .standardInput = payload,
                                                           .extraEnvironment = home.environment()});
    ASSERT_TRUE(result.succeeded());
}

TEST(TrayEndToEnd, ClickingTheIconOpensAndClosesTheDashboardUnderIt) {
    test::TempHome home;
    test::uiApp();
    ASSERT_TRUE(test::waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
        << "the tray host did not come up";

    std::ostringstream log;
    HeadlessMonitor monitor(log);
    monitor.start();
    MemorySettingsStore settings;
    HookHealthMonitor health(settings, [] { return true; });
    StatusBarShell shell(monitor.store(), nullptr, health, settings, [] {});
    DashboardPresenter& presenter = shell.presenter();

    // Embedding in the tray takes a moment; until then the icon sits at 0,0.
    ASSERT_TRUE(test::waitUntil([&] {
        auto where = shell.item().geometry();
        return where && where->center().x() > 50;
    })) << "the icon never got a place in the tray";
    const QRect icon = *shell.item().geometry();
    EXPECT_TRUE(shell.item().canBeSeen());

    // A new session waits at its prompt; the first one is then given a prompt.
    record(home, "hook-session-start.json", "e2e-session-one");
    record(home, "hook-session-start.json", "e2e-session-two");
    record(home, "hook-stop.json", "e2e-session-two");
    record(home, "hook-user-prompt-submit.json", "e2e-session-one");
    ASSERT_TRUE(test::waitUntil([&] {
        const auto& list = shell.model().processes();
        return list.size() == 2 && list[0].state == ProcessState::active &&
               list[1].state == ProcessState::waitingInput;
    })) << log.str();

    clickAt(icon.center());
    ASSERT_TRUE(test::waitUntil([&] { return presenter.isPopoverShown(); }))
        << "clicked " << icon.center().x() << "," << icon.center().y() << "; icon now at "
        << shell.item().geometry().value_or(QRect()).center().x() << ","
        << shell.item().geometry().value_or(QRect()).center().y();
    QWidget* popover = presenter.popover();
    ASSERT_TRUE(test::waitUntil([&] { return popover->geometry().top() >= icon.bottom(); }));
    EXPECT_LE(popover->geometry().left(), icon.center().x());
    EXPECT_GE(popover->geometry().right(), icon.center().x());

    const auto rows = presenter.popover()->view()->rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0]->accessibleName().contains("运行中"))
        << rows[0]->accessibleName().toStdString();
    EXPECT_TRUE(rows[1]->accessibleName().contains("等待输入"));

    // Let it paint, then keep a picture of the whole screen.
    test::waitUntil([] { return false; }, 300ms);
    ChildProcess::run({"import", "-window", "root", QUILLO_TRAY_SCREENSHOT},
                      {.timeLimit = std::chrono::seconds(20)});

    clickAt(icon.center());
    ASSERT_TRUE(test::waitUntil([&] { return !presenter.isPopoverShown(); }));
    test::waitUntil([] { return false; }, 800ms);
    EXPECT_FALSE(presenter.isPopoverShown()) << "the closing click opened it again";

    presenter.toggle(true);
    ASSERT_TRUE(presenter.isPanelShown());
    const auto panelId = std::to_string(presenter.panel()->winId());
    // The window manager keeps the panel on every desktop (0xFFFFFFFF).
    std::string state;
    EXPECT_TRUE(test::waitUntil([&] {
        auto run = ChildProcess::run(
            {"xprop", "-id", panelId, "_NET_WM_STATE", "_NET_WM_DESKTOP"},
            {.timeLimit = std::chrono::seconds(10), .captureStandardError = true});
        state = run.standardOutput + run.standardError;
        return state.find("_NET_WM_DESKTOP(CARDINAL) = 4294967295") != std::string::npos;
    })) << "the panel is not on every desktop: "
        << state;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            xdotool({"key", "--window", panelId, "Escape"});
            return !presenter.isPanelShown();
        },
        5s));

    monitor.stop();
}

// Qt's XEmbed icon: a window of its own in the tray.
bool xembedIconShown() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qstrcmp(window->metaObject()->className(), "QSystemTrayIconSys") == 0 &&
            window->isVisible()) {
            return true;
        }
    }
    return false;
}

TEST(TrayEndToEnd, ADBusTrayThatAppearsTakesTheItemFromTheXEmbedTrayAndGivesItBack) {
    if (QStandardPaths::findExecutable("status-notifier-watcher").isEmpty()) {
        GTEST_SKIP() << "status-notifier-watcher is not installed (scripts/install-deps)";
    }
    test::TempHome home;
    test::uiApp();
    std::ostringstream log;
    HeadlessMonitor monitor(log);
    monitor.start();
    MemorySettingsStore settings;
    HookHealthMonitor health(settings, [] { return true; });
    StatusBarShell shell(monitor.store(), nullptr, health, settings, [] {});
    TrayStatusItem& item = shell.item();
    ASSERT_TRUE(test::waitUntil([&] { return item.geometry().has_value() && xembedIconShown(); }))
        << "the icon never got a place in the XEmbed tray";
    EXPECT_FALSE(item.usesNotifierTray());

    // Never in both trays at once: a desktop whose panel hosts both would show
    // it twice.
    QProcess watcher;
    watcher.start("status-notifier-watcher", {});
    ASSERT_TRUE(test::waitUntil([&] { return item.usesNotifierTray(); }));
    EXPECT_TRUE(test::waitUntil([&] { return !xembedIconShown(); }));
    EXPECT_FALSE(item.geometry());

    watcher.terminate();
    watcher.waitForFinished();
    ASSERT_TRUE(test::waitUntil([&] { return !item.usesNotifierTray(); }));
    EXPECT_TRUE(test::waitUntil([&] { return xembedIconShown() && item.canBeSeen(); }))
        << "not back in the XEmbed tray";
    monitor.stop();
}

// Clicks a button where it is on the screen, through the X server.
void clickButton(QWidget* button) {
    ASSERT_TRUE(test::waitUntil([&] { return button->isVisible() && button->isEnabled(); }))
        << button->objectName().toStdString();
    clickAt(button->mapToGlobal(button->rect().center()));
}

TEST(TrayEndToEnd, FinishingTheFirstRunGuideOpensTheDashboard) {
    test::TempHome home;
    test::uiApp();
    ASSERT_TRUE(test::waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
        << "the tray host did not come up";

    std::ostringstream log;
    HeadlessMonitor monitor(log);
    monitor.start();
    MemorySettingsStore settings;
    OpenQuestions questions;
    DesktopShell desktop(settings);
    desktop.createStatusBar(monitor.store(), nullptr, questions);
    DashboardPresenter& presenter = desktop.statusBar()->presenter();
    // The guide comes after the icon, as at a first start.
    ASSERT_TRUE(test::waitUntil([&] {
        auto where = desktop.statusBar()->item().geometry();
        return where && where->center().x() > 50;
    })) << "the icon never got a place in the tray";

    desktop.onboarding()->show(false);
    OnboardingView* guide = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* view = qobject_cast<OnboardingView*>(window)) {
            guide = view;
        }
    }
    ASSERT_NE(guide, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return guide->windowHandle()->isExposed(); }));

    clickButton(guide->primaryButton()); // "开始"
    ASSERT_TRUE(test::waitUntil([&] { return guide->step() == OnboardingStep::permissions; }));
    clickButton(guide->primaryButton()); // "下一步"
    ASSERT_TRUE(test::waitUntil([&] { return guide->step() == OnboardingStep::hookConfig; }));
    clickButton(guide->primaryButton()); // "确认并应用", once the plan is made
    ASSERT_TRUE(test::waitUntil([&] { return guide->step() == OnboardingStep::iphone; }))
        << guide->applyError().value_or(QString()).toStdString();
    EXPECT_FALSE(presenter.isPopoverShown() || presenter.isPanelShown());

    clickButton(guide->primaryButton()); // "完成 — 进入 Dashboard"
    ASSERT_TRUE(test::waitUntil([&] { return !guide->isVisible(); }));
    EXPECT_TRUE(settings.boolean("quillo.onboardingCompleted"));
    EXPECT_TRUE(test::waitUntil([&] { return presenter.isPopoverShown(); }))
        << "the dashboard did not open under the icon";
    // It stays open: the guide's window going away does not take its focus.
    test::waitUntil([] { return false; }, 800ms);
    EXPECT_TRUE(presenter.isPopoverShown());
    presenter.close();
    monitor.stop();
}

// The windows of the test's tmux session, each as "index=active".
// Opens the dashboard as a panel once the icon has its place in the tray
// (embedding it can take the focus from a window shown before, and a panel
// that loses the focus closes), and returns the row of `sessionId` once it is
// on screen. On a busy machine the window manager can pass the focus around
// just after the panel appears: it is opened again then, since the tests are
// about a click on the row. Null when the panel closed every time.
QPointer<MacProcessRow> openPanelOnRow(StatusBarShell& shell, const std::string& sessionId) {
    if (!test::waitUntil([&] {
            auto where = shell.item().geometry();
            return where && where->center().x() > 50;
        })) {
        ADD_FAILURE() << "the icon never got a place in the tray";
        return nullptr;
    }
    QPointer<MacProcessRow> row;
    for (int attempt = 0; attempt < 5 && !row; ++attempt) {
        if (!shell.presenter().isPanelShown()) {
            shell.presenter().toggle(true);
        }
        QPointer<DashboardWindow> panel = shell.presenter().panel();
        row = panel->view()->rowFor(sessionId);
        test::waitUntil(
            [&] { return !row || (row->isVisible() && panel->windowHandle()->isExposed()); });
        test::waitUntil([] { return false; }, 300ms); // the window manager places it
    }
    return row;
}

std::string activeWindows(const test::TmuxServer& tmux) {
    return tmux.run({"list-windows", "-t", "work", "-F", "#{window_index}=#{window_active}"})
        .standardOutput;
}

TEST(TrayEndToEnd, ClickingARowSelectsTheSessionsTmuxPane) {
    test::TempHome home;
    test::uiApp();
    test::TmuxServer tmux;
    auto started =
        tmux.run({"new-session", "-d", "-s", "work", "-x", "80", "-y", "24", "sleep 600"});
    if (!started.started) {
        GTEST_SKIP() << "tmux is not installed";
    }
    ASSERT_TRUE(started.succeeded()) << started.standardError;

    std::ostringstream log;
    HeadlessMonitor monitor(log);
    monitor.start();
    MemorySettingsStore settings;
    HookHealthMonitor health(settings, [] { return true; });
    StatusBarShell shell(monitor.store(), nullptr, health, settings, [] {});

    // Claude Code stands in as the pane's shell: it records one event, then
    // stays (as the same process) so the session lives on.
    const auto payload = home.path() / "payload.json";
    test::writeFile(payload, test::testData("hook-stop.json"));
    std::vector<std::string> window{"new-window", "-d", "-t", "work:"};
    for (const std::string& entry : home.environment()) {
        window.insert(window.end(), {"-e", entry});
    }
    window.push_back("CLAUDE_PID=$$ " + std::string(QUILLO_HOOK_BINARY) + " < " + payload.string() +
                     "; exec sleep 600");
    ASSERT_TRUE(tmux.run(window).succeeded());
    ASSERT_EQ(activeWindows(tmux), "0=1\n1=0\n");
    ASSERT_TRUE(test::waitUntil([&] {
        const auto& list = shell.model().processes();
        return list.size() == 1 && list[0].terminal && list[0].terminal->kind == TerminalKind::tmux;
    })) << HeadlessMonitor::describe(shell.model().processes());

    QPointer<MacProcessRow> row = openPanelOnRow(shell, shell.model().processes().at(0).id);
    ASSERT_TRUE(row) << "the panel closed before every click";
    QPointer<DashboardWindow> panel = shell.presenter().panel();
    EXPECT_TRUE(row->accessibleName().contains("tmux")) << row->accessibleName().toStdString();
    clickAt(row->mapToGlobal(row->rect().center()));
    ASSERT_TRUE(test::waitUntil([&] { return activeWindows(tmux) == "0=0\n1=1\n"; }))
        << activeWindows(tmux) << " panel " << (panel ? "open" : "closed") << " switching "
        << (row && row->isSwitching()) << " error "
        << (row ? row->errorText().value_or("none").toStdString() : std::string("no row"));
    if (row) {
        EXPECT_FALSE(row->errorText().has_value()) << row->errorText()->toStdString();
    }
    monitor.stop();
}

// A tray item that is never shown: the dashboard opens as the panel.
struct HiddenItem : StatusItem {
    void setImage(const QIcon&) override {}
    bool canBeSeen() const override { return false; }
    std::optional<QRect> geometry() const override { return std::nullopt; }
};

// A switch that brings another program's window forward, as a terminal's does.
struct ActivatingSwitches : SwitchRunner {
    std::string window;
    int runs = 0;
    void run(const ClaudeProcess&, QObject*, Done done) override {
        ++runs;
        xdotool({"windowactivate", "--sync", window});
        done(SwitchResult::switched());
    }
};

TEST(TrayEndToEnd, APanelStaysOpenWhenATappedRowsTerminalTakesTheFocus) {
    test::uiApp();
    // The terminal: another X client.
    QProcess terminal;
    terminal.start("xmessage", {"-name", "quillo-terminal", "-geometry", "+600+500", "terminal"});
    ASSERT_TRUE(terminal.waitForStarted());
    struct Stop {
        QProcess& process;
        ~Stop() {
            process.kill();
            process.waitForFinished();
        }
    } stop{terminal};
    auto found =
        ChildProcess::run({"xdotool", "search", "--sync", "--classname", "quillo-terminal"},
                          {.timeLimit = std::chrono::seconds(20)});
    ASSERT_TRUE(found.succeeded());
    ActivatingSwitches switches;
    switches.window = found.standardOutput.substr(0, found.standardOutput.find('\n'));

    DashboardModel model;
    ClaudeProcess session;
    session.id = "tapped";
    session.name = "atlas";
    session.state = ProcessState::waitingInput;
    session.terminal = TerminalLocation{TerminalKind::kitty, 10, 11, "/dev/pts/1"};
    model.setProcesses({session});
    HiddenItem item;
    MemorySettingsStore settings;
    DashboardServices services;
    services.switcher = &switches;
    DashboardPresenter presenter(model, item, settings, {}, services);

    // Opened again if the window manager passed the focus around just after
    // it appeared (see above); the click is what this test is about.
    QPointer<DashboardWindow> panel;
    QPointer<MacProcessRow> row;
    for (int attempt = 0; attempt < 5 && !(panel && panel->isActiveWindow()); ++attempt) {
        if (!presenter.isPanelShown()) {
            presenter.toggle(false);
        }
        panel = presenter.panel();
        row = panel->view()->rows().at(0);
        test::waitUntil([&] { return !panel || panel->isActiveWindow(); });
        test::waitUntil([] { return false; }, 300ms);
    }
    ASSERT_TRUE(panel && panel->isActiveWindow()) << "the panel never kept the focus";
    clickAt(row->mapToGlobal(row->rect().center()));
    ASSERT_TRUE(test::waitUntil([&] { return switches.runs == 1; }));
    ASSERT_TRUE(test::waitUntil([&] { return !panel || !panel->isActiveWindow(); }))
        << "the terminal did not take the focus";
    test::waitUntil([] { return false; }, 500ms);
    ASSERT_TRUE(panel && presenter.isPanelShown()) << "the panel closed after the row tap";

    // A click in another window later, without a tap, still closes it.
    xdotool({"windowactivate", "--sync", std::to_string(panel->winId())});
    ASSERT_TRUE(test::waitUntil([&] { return panel && panel->isActiveWindow(); }));
    panel->keepOpenOnFocusLossUntil({});
    xdotool({"windowactivate", "--sync", switches.window});
    EXPECT_TRUE(test::waitUntil([&] { return !presenter.isPanelShown(); }));
}

TEST(TrayEndToEnd, AllowClickedOnARowIsTheDecisionTheWaitingRecorderPrints) {
    test::TempHome home;
    test::uiApp();
    std::ostringstream log;
    HeadlessMonitor monitor(log);
    monitor.start();
    OpenQuestions questions;
    QuestionServer server(questions,
                          PermissionQuestion::socketPath(AppPaths::appSupportDirectory()),
                          [] { return true; });
    ASSERT_FALSE(server.listen().has_value());
    MemorySettingsStore settings;
    HookHealthMonitor health(settings, [] { return true; });
    StatusBarShell shell(
        monitor.store(), nullptr, health, settings, [] {}, &questions);

    // Claude Code starts the recorder for its permission dialog and waits.
    QProcess recorder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CLAUDE_PID", QString::number(QCoreApplication::applicationPid()));
    recorder.setProcessEnvironment(environment);
    recorder.start(QUILLO_HOOK_BINARY, {});
    recorder.write(R"({"hook_event_name":"PermissionRequest","session_id":"e2e-asking",)"
                   R"("cwd":"/tmp/atlas","tool_name":"Bash",)"
                   R"("tool_input":{"command":"rm -rf build"},"permission_suggestions":[]})");
    recorder.closeWriteChannel();
    ASSERT_TRUE(test::waitUntil([&] { return shell.model().questions().count("e2e-asking") == 1; }))
        << log.str();

    QPointer<MacProcessRow> row = openPanelOnRow(shell, "e2e-asking");
    ASSERT_TRUE(row) << "the panel closed before every click";
    QuestionLine* line = row->questionLine();
    ASSERT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), "Bash: rm -rf build");
    QWidget* allow = line->allowButton();
    clickAt(allow->mapToGlobal(allow->rect().center()));

    ASSERT_TRUE(test::waitUntil([&] { return recorder.state() == QProcess::NotRunning; }))
        << "the recorder still waits";
    EXPECT_EQ(recorder.exitCode(), 0);
    const std::string printed = recorder.readAllStandardOutput().toStdString();
    EXPECT_EQ(printed,
              PermissionQuestion::decisionOutput({PermissionQuestion::Behavior::allow, {}}))
        << printed;
    ASSERT_TRUE(row);
    EXPECT_EQ(row->answerOutcome(), MacProcessRow::AnswerOutcome::allowed);
    EXPECT_TRUE(questions.questions().empty());
    monitor.stop();
}

} // namespace
} // namespace quillo
