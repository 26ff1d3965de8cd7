// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopShell.h"

#include "KeyboardShortcuts.h"
#include "OnboardingPresenter.h"
#include "TrustDialog.h"
#include "X11HotKeyService.h"
#include "app/AppLanguageManager.h"
#include "app/FeedbackReport.h"
#include "dashboard/SwitchRunner.h"
#include "diagnostics/DiagnosticLogWindowController.h"
#include "diagnostics/FeedbackComposer.h"
#include "installer/HookHealthMonitor.h"
#include "installer/HookInstaller.h"
#include "notices/DBusNotifier.h"
#include "notices/SessionNotices.h"
#include "onboarding/OnboardingWindowController.h"
#include "platform/FileRevealer.h"
#include "platform/LaunchAtLogin.h"
#include "platform/SystemClaudeVersionSource.h"
#include "platform/UrlOpener.h"
#include "platform/X11WindowSystem.h"
#include "questions/OpenQuestions.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsWindowController.h"
#include "state/ProcessStateStore.h"
#include "statusbar/DashboardPresenter.h"
#include "statusbar/StatusBarShell.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>
#include <QIcon>

namespace quillo {

QIcon applicationIcon() {
    // The installed icon theme's first; the built-in copy serves a run from the
    // build folder.
    QIcon builtIn;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        builtIn.addFile(QStringLiteral(":/icons/%1x%1/apps/com.quillo.mac.png").arg(size),
                        QSize(size, size));
    }
    return QIcon::fromTheme(QStringLiteral("com.quillo.mac"), builtIn);
}

DesktopPlatform chooseDesktopPlatform(const std::function<QByteArray(const char*)>& variable) {
    using Kind = DesktopPlatform::Kind;
    if (const QByteArray chosen = variable("QUILLO_QT_PLATFORM"); !chosen.isEmpty()) {
        return {Kind::qt, chosen};
    }
    if (!variable("DISPLAY").isEmpty()) {
        return {Kind::qt, QByteArrayLiteral("xcb")};
    }
    const QByteArray session = variable("QT_QPA_PLATFORM");
    if (!session.isEmpty() && !session.startsWith("wayland")) {
        return {Kind::qt, session};
    }
    if (!session.isEmpty() || !variable("WAYLAND_DISPLAY").isEmpty()) {
        return {Kind::waylandOnly, {}};
    }
    return {Kind::noDisplay, {}};
}

bool desktopAvailable() {
    return chooseDesktopPlatform().kind == DesktopPlatform::Kind::qt;
}

std::unique_ptr<QApplication> makeDesktopApplication(int& argc, char** argv) {
    if (const DesktopPlatform platform = chooseDesktopPlatform();
        platform.kind == DesktopPlatform::Kind::qt) {
        qputenv("QT_QPA_PLATFORM", platform.plugin);
    }
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the menu entry, for the task switcher's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillo.mac"));
    QApplication::setWindowIcon(applicationIcon());
    applyDarkPalette(*app);
    Symbols::loadFont();
    return app;
}

DesktopShell::DesktopShell(SettingsStore& settings, Links links)
    : links_(std::move(links)), health_(std::make_unique<HookHealthMonitor>(settings)),
      diagnosticsWindow_(std::make_unique<DiagnosticLogWindowController>()),
      hotKeys_(std::make_unique<X11HotKeyService>()),
      shortcuts_(std::make_unique<KeyboardShortcuts>(settings, *hotKeys_)),
      launchAtLogin_(std::make_unique<LaunchAtLogin>()),
      languages_(std::make_unique<AppLanguageManager>(settings)),
      trust_(std::make_unique<TrustDialog>()),
      fileRevealer_(std::make_unique<DesktopFileRevealer>()),
      notifier_(std::make_unique<DBusNotifier>()), settings_(settings) {
    // Events the installed Claude Code supports but the file lacks: it is
    // looked for the way the user's terminal would find it.
    health_->setEventsCheck([] {
        return HookInstaller::missingEvents(HookInstaller::settingsPath(),
                                            SystemClaudeVersionSource().installedVersion());
    });
    // Last: the panes and the guide are given the objects above.
    SettingsServices services = settingsServices(settings);
    settingsWindow_ = std::make_unique<SettingsWindowController>(*health_, services);
    onboarding_ = std::make_unique<OnboardingWindowController>(services, services.setLaunchAtLogin);
}

OnboardingPresenter* DesktopShell::onboarding() const {
    return onboarding_.get();
}

SettingsServices DesktopShell::settingsServices(SettingsStore& settings) const {
    SettingsServices services;
    services.settings = &settings;
    services.health = health_.get();

    services.shortcuts = shortcuts_.get();
    services.launchAtLogin = launchAtLogin_.get();
    services.setLaunchAtLogin = [launch = launchAtLogin_.get()](bool on) {
        launch->setEnabled(on);
    };
    services.buildFolder = HookInstaller::buildFolder(HookInstaller::executableDirectory());
    services.languages = languages_.get();
    services.updates = links_.updates;
    services.relaunch = links_.relaunch;
    services.notifier = notifier_.get();
    HookHealthMonitor* health = health_.get();
    services.recheckHooks = [health] { health->checkNow(); };
    services.recheckClaudeCodeEvents = [health] { health->checkClaudeCodeEvents(); };
    services.fileRevealer = fileRevealer_.get();
    services.phoneConnected = [this] { return phoneConnected_ && phoneConnected_(); };
    services.phoneLinkNotices = [this] {
        return phoneLinkNotices_ ? phoneLinkNotices_() : QStringList();
    };
    services.pairingAddress = [this]() -> std::optional<PairingAddress> {
        return pairingAddress_ ? pairingAddress_() : std::nullopt;
    };
    services.showDiagnostics = [this] { diagnosticsWindow_->show(); };
    services.homePage = FeedbackReport::homePage();
    services.openUrl = [](const QUrl& url) { DesktopUrlOpener().open(url); };
    services.presentFeedback = [this] {
        FeedbackComposer::presentFeedback(settingsWindow_->window());
    };
    services.showDashboard = [this] {
        if (statusBar_ != nullptr) {
            DashboardPresenter& presenter = statusBar_->presenter();
            if (!presenter.isPopoverShown() && !presenter.isPanelShown()) {
                presenter.toggle(false);
            }
        }
    };
    services.resetShortcut = [shortcuts = shortcuts_.get()] {
        shortcuts->reset({ShortcutName::toggleQuillo()});
    };
    services.showOnboarding = [this] {
        if (onboarding_ != nullptr) {
            onboarding_->show(true);
        }
    };
    return services;
}

DesktopShell::~DesktopShell() {
    // Notices first (they open the dashboard), then windows before what they
    // show.
    notices_.reset();
    statusBar_.reset();
    settingsWindow_.reset();
}

void DesktopShell::start() {
    health_->start();
}

void DesktopShell::createStatusBar(ProcessStateStore& store, HostTransportBridge* bridge,
                                   OpenQuestions& questions) {
    statusBar_ = std::make_unique<StatusBarShell>(
        store, bridge, *health_, settings_, [this] { settingsWindow_->show(); }, &questions);

    windows_ = std::make_unique<X11WindowSystem>();
    DashboardPresenter& presenter = statusBar_->presenter();
    SwitchRunner& runner = statusBar_->switchRunner();
    SessionNotices::Services services;
    services.isDashboardOpen = [&presenter] { return presenter.isOpen(); };
    services.activeWindowPid = [windows = windows_.get()] { return windows->activeWindowPid(); };
    // A click on a notice switches as a dashboard row does, off the main
    // thread; a failure opens the dashboard with the row's message.
    services.switchTo = [&presenter, &runner](const ClaudeProcess& process) {
        runner.run(process, &presenter, [&presenter, id = process.id](const SwitchResult& result) {
            if (!result.succeeded()) {
                presenter.showSwitchFailure(id, result);
            }
        });
    };
    services.hasQuestion = [&questions](const std::string& sessionId) {
        return questions.oldestOf(sessionId).has_value();
    };
    services.answerQuestion = [&questions](const std::string& sessionId, bool allow) {
        if (auto id = questions.oldestOf(sessionId)) {
            questions.answer(*id, allowOrDeny(allow), "notice");
        }
    };
    notices_ = std::make_unique<SessionNotices>(*notifier_, settings_, std::move(services));
    auto changed = [notices = notices_.get()](const OpenQuestion& question) {
        notices->questionsChanged(question.question.sessionId);
    };
    QObject::connect(&questions, &OpenQuestions::opened, notices_.get(), changed);
    QObject::connect(
        &questions, &OpenQuestions::closed, notices_.get(),
        [changed](const OpenQuestion& question, QuestionOutcome) { changed(question); });
    QObject::connect(&store, &ProcessStateStore::processesChanged, notices_.get(),
                     [notices = notices_.get()](const std::vector<ClaudeProcess>& processes) {
                         notices->update(processes);
                     });
}

} // namespace quillo
