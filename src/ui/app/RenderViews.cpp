// The views that `QuilloMac --render` can draw, each with sample data. A new
// view adds one entry to the list below.
#include "RenderRegistry.h"

#include "ComponentsSheet.h"
#include "installer/HookHealthMonitor.h"
#include "platform/SettingsStore.h"
#include "settings/SettingsCategory.h"
#include "settings/SettingsView.h"
#include "theme/AmbientBackground.h"

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

    BrokenHooks() {
        settings.setBoolean(HookHealthMonitor::onboardingCompletedKey, true);
        health.checkNow();
    }
};

RenderView settingsWindow() {
    auto sample = std::make_shared<BrokenHooks>();
    RenderView view;
    view.widget = std::make_unique<SettingsView>(sample->health);
    view.widget->resize(SettingsView::minimumWidth, SettingsView::minimumHeight);
    view.keepAlive = sample;
    return view;
}

// One pane on the detail column's background, as wide as it is in the window.
RenderView settingsPane(SettingsCategory category) {
    auto page = std::make_unique<AmbientBackground>();
    page->setFixedWidth(SettingsView::minimumWidth - SettingsView::sidebarWidth);
    page->setMinimumHeight(SettingsView::minimumHeight);
    auto* layout = new QVBoxLayout(page.get());
    layout->setContentsMargins(24, 22, 24, 22);
    layout->addWidget(makeSettingsPane(category));
    return plain(std::move(page));
}

} // namespace

RenderRegistry builtInRenderViews() {
    RenderRegistry registry;
    registry.add("components", [] { return plain(makeComponentsSheet()); });
    registry.add("settings", settingsWindow);
    for (SettingsCategory category : allSettingsCategories) {
        registry.add(QStringLiteral("settings-") + QString::fromLatin1(rawValue(category).data()),
                     [category] { return settingsPane(category); });
    }
    return registry;
}

} // namespace quillo
