// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsCategory.h"
#include "SettingsServices.h"

#include <QWidget>

#include <array>
#include <functional>

class QScrollArea;
class QVBoxLayout;

namespace quillo {

class HookHealthMonitor;
class SidebarRow;

// Builds the pane of a category; the view owns what it returns.
using SettingsPaneFactory = std::function<QWidget*(SettingsCategory)>;

// The panes, one widget class per category, working with `services`.
QWidget* makeSettingsPane(SettingsCategory category, const SettingsServices& services);

// The settings window's content: the sidebar of categories on the left (the hook
// category with a badge while the hooks need repair) and the selected
// category's pane on the right.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int minimumWidth = 720;
    static constexpr int minimumHeight = 560;
    static constexpr int sidebarWidth = 180;

    // Without a factory the panes are made with no services.
    explicit SettingsView(const HookHealthMonitor& health, SettingsPaneFactory panes = {},
                          QWidget* parent = nullptr);

    SettingsCategory selection() const { return selection_; }
    void select(SettingsCategory category);

    SidebarRow* sidebarRow(SettingsCategory category) const;
    // The pane on show.
    QWidget* currentPane() const;

signals:
    void selectionChanged(SettingsCategory category);

private:
    QWidget* paneFor(SettingsCategory category);

    SettingsPaneFactory makePane_;
    SettingsCategory selection_ = SettingsCategory::hookConfig;
    std::array<SidebarRow*, allSettingsCategories.size()> rows_{};
    std::array<QWidget*, allSettingsCategories.size()> panes_{};
    QVBoxLayout* paneColumn_ = nullptr;
    QScrollArea* detail_ = nullptr;
};

} // namespace quillo
