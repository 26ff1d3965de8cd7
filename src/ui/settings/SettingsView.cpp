// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsView.h"

#include "AboutDetail.h"
#include "DangerZoneDetail.h"
#include "GeneralDetail.h"
#include "HookConfigDetail.h"
#include "PairedPhonesDetail.h"
#include "PermissionsDetail.h"
#include "SidebarRow.h"
#include "TerminalSupportDetail.h"
#include "installer/HookHealthMonitor.h"
#include "theme/AmbientBackground.h"
#include "theme/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quillo {

namespace {

std::size_t indexOf(SettingsCategory category) {
    return static_cast<std::size_t>(category);
}

class SidebarBackground : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::bgBase());
        // The column's right edge.
        painter.fillRect(QRect(width() - 1, 0, 1, height()), Theme::lineSoft());
    }
};

QScrollArea* transparentScrollArea(QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    area->setAutoFillBackground(false);
    return area;
}

} // namespace

QWidget* makeSettingsPane(SettingsCategory category, const SettingsServices& services) {
    switch (category) {
    case SettingsCategory::hookConfig:
        return new HookConfigDetail(services);
    case SettingsCategory::pairedPhones:
        return new PairedPhonesDetail(services);
    case SettingsCategory::permissions:
        return new PermissionsDetail(services);
    case SettingsCategory::terminals:
        return new TerminalSupportDetail;
    case SettingsCategory::general:
        return new GeneralDetail(services);
    case SettingsCategory::about:
        return new AboutDetail(services);
    case SettingsCategory::danger:
        return new DangerZoneDetail(services);
    }
    (void)services;
    return new QWidget;
}

SettingsView::SettingsView(const HookHealthMonitor& health, SettingsPaneFactory panes,
                           QWidget* parent)
    : QWidget(parent), makePane_(std::move(panes)) {
    if (!makePane_) {
        makePane_ = [](SettingsCategory category) {
            return makeSettingsPane(category, SettingsServices{});
        };
    }
    setObjectName(QStringLiteral("settingsView"));
    setMinimumSize(minimumWidth, minimumHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Sidebar.
    auto* sidebar = new SidebarBackground;
    sidebar->setObjectName(QStringLiteral("settingsSidebar"));
    sidebar->setFixedWidth(sidebarWidth);
    auto* sidebarLayout = new QVBoxLayout(sidebar);
    sidebarLayout->setContentsMargins(0, 0, 1, 0);
    auto* sidebarScroll = transparentScrollArea(sidebar);
    auto* rowsWidget = new QWidget;
    auto* rows = new QVBoxLayout(rowsWidget);
    rows->setContentsMargins(10, 14, 10, 14);
    rows->setSpacing(2);
    for (SettingsCategory category : allSettingsCategories) {
        auto* row = new SidebarRow(category);
        row->setSelected(category == selection_);
        connect(row, &SidebarRow::clicked, this, [this, category] { select(category); });
        rows->addWidget(row);
        rows_[indexOf(category)] = row;
    }
    rows->addStretch();
    sidebarScroll->setWidget(rowsWidget);
    rowsWidget->setAutoFillBackground(false); // setWidget turns it on
    sidebarLayout->addWidget(sidebarScroll);
    layout->addWidget(sidebar);

    // The badge follows the hooks' health whichever category is selected.
    rows_[indexOf(SettingsCategory::hookConfig)]->setShowsBadge(health.hasError());
    connect(&health, &HookHealthMonitor::hasErrorChanged, this, [this](bool hasError) {
        rows_[indexOf(SettingsCategory::hookConfig)]->setShowsBadge(hasError);
    });

    // Detail column.
    auto* background = new AmbientBackground;
    auto* backgroundLayout = new QVBoxLayout(background);
    backgroundLayout->setContentsMargins(0, 0, 0, 0);
    detail_ = transparentScrollArea(background);
    detail_->setObjectName(QStringLiteral("settingsDetail"));
    auto* column = new QWidget;
    paneColumn_ = new QVBoxLayout(column);
    paneColumn_->setContentsMargins(24, 22, 24, 22);
    paneColumn_->setSpacing(0);
    detail_->setWidget(column);
    column->setAutoFillBackground(false);
    backgroundLayout->addWidget(detail_);
    layout->addWidget(background, 1);

    paneColumn_->addWidget(paneFor(selection_));
}

QWidget* SettingsView::paneFor(SettingsCategory category) {
    QWidget*& pane = panes_[indexOf(category)];
    if (pane == nullptr) {
        pane = makePane_(category);
    }
    return pane;
}

void SettingsView::select(SettingsCategory category) {
    if (category == selection_) {
        return;
    }
    QWidget* old = paneFor(selection_);
    paneColumn_->removeWidget(old);
    old->hide();
    rows_[indexOf(selection_)]->setSelected(false);

    selection_ = category;
    rows_[indexOf(category)]->setSelected(true);
    QWidget* pane = paneFor(category);
    paneColumn_->addWidget(pane);
    pane->show();
    emit selectionChanged(category);
}

SidebarRow* SettingsView::sidebarRow(SettingsCategory category) const {
    return rows_[indexOf(category)];
}

QWidget* SettingsView::currentPane() const {
    return panes_[indexOf(selection_)];
}

} // namespace quillo
