// SPDX-License-Identifier: GPL-3.0-or-later
#include "GeneralRenderViews.h"

#include "FakeHotKeyService.h"
#include "KeyboardShortcuts.h"
#include "ShortcutRecorder.h"
#include "TrustDialog.h"
#include "app/AppLanguageManager.h"
#include "app/SoftwareUpdateController.h"
#include "notices/Notifier.h"
#include "platform/LaunchAtLogin.h"
#include "platform/SettingsStore.h"
#include "settings/GeneralDetail.h"
#include "settings/SettingsView.h"
#include "theme/AmbientBackground.h"

#include <QMessageBox>
#include <QVBoxLayout>

namespace quillo {

namespace {

// What the samples show: settings in memory, a hot-key service that takes
// every combination, and nothing written anywhere.
struct GeneralSample {
    MemorySettingsStore settings;
    FakeHotKeyService hotKeys;
    KeyboardShortcuts shortcuts{settings, hotKeys};
    LaunchAtLogin launch{"/nonexistent/quillo-render/autostart", QStringLiteral("QuilloMac")};
    AppLanguageManager languages{settings};
    SoftwareUpdateController updates{settings, std::nullopt};
    FakeNotifier notifier; // a desktop with a notification server

    explicit GeneralSample(bool withShortcut) {
        if (withShortcut) {
            // Ctrl+Alt+K
            shortcuts.setShortcut(Shortcut{0x28, (1 << 12) | (1 << 11)},
                                  ShortcutName::toggleQuillo());
        }
    }
};

} // namespace

RenderView generalSettingsSample() {
    auto sample = std::make_shared<GeneralSample>(true);
    SettingsServices services;
    services.settings = &sample->settings;
    services.shortcuts = &sample->shortcuts;
    services.launchAtLogin = &sample->launch;
    services.languages = &sample->languages;
    services.updates = &sample->updates;
    services.notifier = &sample->notifier;

    auto page = std::make_unique<AmbientBackground>();
    page->setFixedWidth(SettingsView::minimumWidth - SettingsView::sidebarWidth);
    page->setMinimumHeight(SettingsView::minimumHeight);
    auto* layout = new QVBoxLayout(page.get());
    layout->setContentsMargins(24, 22, 24, 22);
    layout->addWidget(new GeneralDetail(services));
    RenderView view;
    view.widget = std::move(page);
    view.keepAlive = sample;
    return view;
}

RenderView shortcutRecorderSample(RecorderSample state) {
    auto sample = std::make_shared<GeneralSample>(state == RecorderSample::set);
    auto page = std::make_unique<AmbientBackground>();
    auto* layout = new QVBoxLayout(page.get());
    layout->setContentsMargins(16, 16, 16, 16);
    auto* recorder = new ShortcutRecorder(sample->shortcuts, ShortcutName::toggleQuillo());
    layout->addWidget(recorder);
    if (state == RecorderSample::recording) {
        recorder->startRecording();
    }
    RenderView view;
    view.widget = std::move(page);
    view.keepAlive = sample;
    return view;
}

RenderView trustPromptSample() {
    RenderView view;
    view.widget.reset(
        TrustDialog::makeDialog(QStringLiteral("Kim's iPhone"), QStringLiteral("192.168.1.23")));
    return view;
}

} // namespace quillo
