// SPDX-License-Identifier: GPL-3.0-or-later
// The views that `QuilloMac --render` can draw, each with sample data. A new
// view adds one entry to the list below.
#include "RenderRegistry.h"

#include "ComponentsSheet.h"
#include "GeneralRenderViews.h"
#include "dashboard/DashboardModel.h"
#include "dashboard/DashboardSamples.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "diagnostics/DiagnosticLogSamples.h"
#include "diagnostics/DiagnosticLogView.h"
#include "diagnostics/DiagnosticLogWindowController.h"
#include "installer/HookHealthMonitor.h"
#include "networking/PairedClientStorage.h"
#include "onboarding/HookDiffView.h"
#include "onboarding/OnboardingSamples.h"
#include "onboarding/OnboardingView.h"
#include "platform/SettingsStore.h"
#include "settings/AboutDetail.h"
#include "settings/FAQCard.h"
#include "settings/HookConfigDetail.h"
#include "settings/HookDiffSheet.h"
#include "settings/SettingsCategory.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsView.h"
#include "settings/UninstallInstructionsSheet.h"
#include "statusbar/StatusIconSheet.h"
#include "system/SystemChecks.h"
#include "system/SystemChecksView.h"
#include "terminal/SwitchMessages.h"
#include "theme/AmbientBackground.h"

#include <algorithm>

#include <QCoreApplication>
#include <QThread>
#include <QVBoxLayout>

namespace quillo {

namespace {

RenderView plain(std::unique_ptr<QWidget> widget) {
    RenderView view;
    view.widget = std::move(widget);
    return view;
}

// A health monitor that reports broken hooks, so that the sidebar shows its badge.
struct BrokenHooks {
    MemorySettingsStore settings;
    HookHealthMonitor health{settings, [] { return false; }};
    // The hook pane looks at a home without a settings file, not the user's.
    OnboardingSamples::SampleHome home{std::string()};

    BrokenHooks() {
        settings.setBoolean(HookHealthMonitor::onboardingCompletedKey, true);
        health.checkNow();
        while (health.isChecking()) { // the answer comes from another thread
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
};

RenderView settingsWindow() {
    auto sample = std::make_shared<BrokenHooks>();
    RenderView view;
    SettingsServices services;
    services.hookSetup = std::make_shared<HookInstaller::Setup>(sample->home.setup);
    view.widget =
        std::make_unique<SettingsView>(sample->health, [services](SettingsCategory category) {
            return makeSettingsPane(category, services);
        });
    view.widget->resize(SettingsView::minimumWidth, SettingsView::minimumHeight);
    view.keepAlive = sample;
    return view;
}

// Two paired phones, a pairing address and actions that do nothing, so that
// the panes and their buttons look as they do in the running application.
struct SamplePhones {
    MemorySettingsStore settings;

    SamplePhones() {
        PairedClientStorage::add(settings, "Ada 的 Pixel 8", "token-1");
        PairedClientStorage::add(settings, "小林的手机", "token-2");
    }

    SettingsServices services() {
        SettingsServices services;
        services.settings = &settings;
        services.pairingAddress = [] {
            return std::optional<PairingAddress>(
                PairingAddress{"192.168.1.23", 27810,
                               "5f3c9a0e7b21d4c86a1f0e9d3b7c52a4e8f1d6b093c7a25e4f8d1b6c0a9e3f72",
                               "ada-thinkpad"});
        };
        services.showDiagnostics = [] {};
        services.presentFeedback = [] {};
        services.showOnboarding = [] {};
        return services;
    }
};

// One pane on the detail column's background, as wide as it is in the window,
// with sample phones and the system checks' sample answers (not this
// machine's); the about pane with its first question open. `pane`: one made
// with sample services of its own.
RenderView settingsPane(SettingsCategory category, QWidget* pane = nullptr) {
    auto sample = std::make_shared<SamplePhones>();
    auto page = std::make_unique<AmbientBackground>();
    page->setFixedWidth(SettingsView::minimumWidth - SettingsView::sidebarWidth);
    page->setMinimumHeight(SettingsView::minimumHeight);
    auto* layout = new QVBoxLayout(page.get());
    layout->setContentsMargins(24, 22, 24, 22);
    if (pane == nullptr) {
        pane = makeSettingsPane(category, sample->services());
    }
    if (auto* checks = pane->findChild<SystemChecksView*>()) {
        checks->setResults(SystemChecks::samples());
    }
    if (auto* about = qobject_cast<AboutDetail*>(pane); about != nullptr) {
        about->faq()->rows().front()->setExpanded(true, false);
    }
    layout->addWidget(pane);
    // As tall as its wrapped texts need at that width, as the window's
    // scrolling column lets it be; the plain size hint knows nothing of wrapping.
    const int width = SettingsView::minimumWidth - SettingsView::sidebarWidth;
    if (layout->hasHeightForWidth()) {
        page->setMinimumHeight(
            std::max(SettingsView::minimumHeight, layout->totalHeightForWidth(width)));
    }
    RenderView view = plain(std::move(page));
    view.keepAlive = sample;
    return view;
}

RenderView diagnostics() {
    auto view = std::make_unique<DiagnosticLogView>(
        memoryDiagnosticLog(DiagnosticLogSamples::entries(DashboardSamples::sampleNow),
                            "/home/user/.local/share/quillo/diagnostic.log"));
    view->resize(DiagnosticLogWindowController::width, DiagnosticLogWindowController::height);
    return plain(std::move(view));
}

// The hook pane over a sample home whose hooks are installed.
RenderView hookConfigPane() {
    auto home = std::make_shared<OnboardingSamples::SampleHome>(std::string());
    HookInstaller::apply(HookInstaller::computePlan(home->setup));
    SettingsServices services;
    services.hookSetup = std::make_shared<HookInstaller::Setup>(home->setup);
    auto* pane = new HookConfigDetail(services);
    // The pane reads the file in the background; a picture shows what it read.
    pane->readStatus();
    while (pane->readingStatus()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    RenderView view = settingsPane(SettingsCategory::hookConfig, pane);
    view.keepAlive = home;
    return view;
}

// The preview of installing over another tool's hooks.
RenderView hookDiffSheet() {
    auto sheet = std::make_unique<HookDiffSheet>(OnboardingSamples::foreignHooksPlan());
    sheet->diffView()->finishPreparing();
    return plain(std::move(sheet));
}

// One page of the first-run guide, with sample checks, plan and address.
RenderView onboardingPage(OnboardingStep step) {
    auto home =
        std::make_shared<OnboardingSamples::SampleHome>(OnboardingSamples::foreignHooksSettings);
    SettingsServices services;
    services.hookSetup = std::make_shared<HookInstaller::Setup>(home->setup);
    services.pairingAddress = [] { return OnboardingSamples::pairingAddress(); };
    auto view = std::make_unique<OnboardingView>(services, [] {});
    view->setPlan(OnboardingSamples::foreignHooksPlan());
    view->diffView()->finishPreparing();
    view->systemChecks()->setResults(SystemChecks::samples());
    view->setStep(step);
    RenderView result = plain(std::move(view));
    result.keepAlive = home;
    return result;
}

// The dashboard with sample sessions at a fixed moment; `full` adds the hook
// banner, the hint, a connected phone, a failed switch and a permission
// question to answer.
RenderView dashboard(bool full) {
    auto model = std::make_shared<DashboardModel>();
    DashboardServices services;
    services.clock = [] { return DashboardSamples::sampleNow; };
    services.later = [](auto, auto*, auto) {};
    services.answer = [](std::uint64_t, bool) { return true; };
    if (full) {
        model->setProcesses(DashboardSamples::sessions());
        model->setQuestions(DashboardSamples::questions());
        model->setPeerCount(1);
        model->setHookError(true);
    }
    auto view = std::make_unique<DashboardView>(*model, full, DashboardActions{}, services);
    view->setRoundedCorners(true);
    if (auto* row = view->rowFor("s2"); row != nullptr && full) {
        row->applySwitchResult(SwitchResult::failed(SwitchMessages::noWindow("GNOME Terminal")));
    }
    RenderView result;
    result.widget = std::move(view);
    result.keepAlive = model;
    return result;
}

} // namespace

RenderRegistry builtInRenderViews() {
    RenderRegistry registry;
    registry.add("components", [] { return plain(makeComponentsSheet()); });
    registry.add("status-icons", [] { return plain(makeStatusIconSheet()); });
    registry.add("dashboard", [] { return dashboard(true); });
    registry.add("dashboard-empty", [] { return dashboard(false); });
    registry.add("settings", settingsWindow);
    for (SettingsCategory category : allSettingsCategories) {
        const QString name =
            QStringLiteral("settings-") + QString::fromLatin1(rawValue(category).data());
        if (category == SettingsCategory::hookConfig) {
            registry.add(name, hookConfigPane);
        } else if (category == SettingsCategory::general) {
            registry.add(name, generalSettingsSample);
        } else {
            registry.add(name, [category] { return settingsPane(category); });
        }
    }
    registry.add("hook-diff", hookDiffSheet);
    for (int page = 1; page <= 4; ++page) {
        registry.add(QStringLiteral("onboarding-%1").arg(page),
                     [page] { return onboardingPage(static_cast<OnboardingStep>(page - 1)); });
    }
    registry.add("diagnostics", diagnostics);
    registry.add("uninstall-sheet",
                 [] { return plain(std::make_unique<UninstallInstructionsSheet>(nullptr)); });
    registry.add("shortcut-recorder", [] { return shortcutRecorderSample(RecorderSample::idle); });
    registry.add("shortcut-recorder-recording",
                 [] { return shortcutRecorderSample(RecorderSample::recording); });
    registry.add("shortcut-recorder-set",
                 [] { return shortcutRecorderSample(RecorderSample::set); });
    registry.add("trust-prompt", trustPromptSample);
    return registry;
}

} // namespace quillo
