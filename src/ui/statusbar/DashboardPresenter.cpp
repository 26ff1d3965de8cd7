// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardPresenter.h"

#include "StatusItem.h"
#include "dashboard/DashboardView.h"
#include "dashboard/MacProcessRow.h"
#include "platform/PanelWindowHints.h"
#include "platform/SettingsStore.h"

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace quillo {

DashboardWindow::DashboardWindow(Kind kind, DashboardView* view)
    : QWidget(nullptr, kind == Kind::popover
                           ? Qt::Popup | Qt::FramelessWindowHint
                           : Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      kind_(kind), view_(view) {
    setObjectName(kind == Kind::popover ? QStringLiteral("dashboardPopover")
                                        : QStringLiteral("dashboardPanel"));
    // Named for window lists and for tools that look for it on the screen.
    setWindowTitle(QStringLiteral("Quillo Dashboard"));
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_->setParent(this);
    view_->setRoundedCorners(true);
    layout->addWidget(view_);
    setFixedSize(PanelPlacement::dashboardSize);
}

void DashboardWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes a panel; the popover closes by its own rules only (a
    // click elsewhere), so Escape, which Qt's popups take as "close", is
    // swallowed there.
    if (event->key() == Qt::Key_Escape) {
        if (kind_ == Kind::panel) {
            emit dismissed();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DashboardWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (kind_ == Kind::panel && event->type() == QEvent::ActivationChange) {
        // A click in another window takes the focus from the panel.
        if (isActiveWindow()) {
            wasActive_ = true;
        } else if (wasActive_ && isVisible() &&
                   std::chrono::steady_clock::now() >= keepOpenUntil_) {
            emit dismissed();
        }
    }
}

void DashboardWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (kind_ == Kind::popover && !closing_) {
        emit dismissed();
    }
}

DashboardPresenter::DashboardPresenter(DashboardModel& model, StatusItem& item,
                                       SettingsStore& settings, Actions actions,
                                       DashboardServices services, SteadyClock clock,
                                       QObject* parent)
    : QObject(parent), model_(model), item_(item), settings_(settings),
      actions_(std::move(actions)), services_(std::move(services)), clock_(std::move(clock)) {
    popover_ = new DashboardWindow(DashboardWindow::Kind::popover, makeView(false, false));
    connect(popover_, &DashboardWindow::dismissed, this, [this] { lastDismissal_ = clock_(); });
}

DashboardPresenter::~DashboardPresenter() {
    closePanel();
    popover_->closing_ = true;
    delete popover_;
}

DashboardView* DashboardPresenter::makeView(bool showFirstUseHint, bool inPanel) {
    DashboardActions actions;
    actions.onOpenSettings = [this] {
        close();
        actions_.openSettings();
    };
    actions.onFixHook = actions.onOpenSettings;
    actions.onQuit = [this] { actions_.quit(); };
    actions.onSwitchStarted = [this] {
        const auto until = std::chrono::steady_clock::now() + keepOpenAfterTap;
        popover_->keepOpenOnFocusLossUntil(until);
        if (panel_) {
            panel_->keepOpenOnFocusLossUntil(until);
        }
    };
    if (inPanel) {
        actions.onDismissFirstUseHint = [this] {
            settings_.setBoolean(firstUseHintShownKey, true);
        };
    }
    return new DashboardView(model_, showFirstUseHint, std::move(actions), services_);
}

bool DashboardPresenter::isPopoverShown() const {
    return popover_->isVisible();
}

bool DashboardPresenter::isPanelShown() const {
    return panel_ && panel_->isVisible();
}

void DashboardPresenter::statusItemClicked() {
    // The press that closed an open dashboard also reaches the item as a click.
    if (!isPopoverShown() && !isPanelShown() && lastDismissal_.time_since_epoch().count() != 0 &&
        clock_() - lastDismissal_ < reopenGuard) {
        return;
    }
    itemClicked_ = true;
    toggle(false);
    itemClicked_ = false;
}

void DashboardPresenter::toggle(bool preferMouseOrigin) {
    if (isPopoverShown()) {
        close();
        return;
    }
    if (isPanelShown()) {
        closePanel();
        return;
    }
    if (!preferMouseOrigin && item_.canBeSeen()) {
        showPopover(itemClicked_);
        return;
    }
    showPanel(preferMouseOrigin ? PanelOriginStrategy::centeredOnMouse
                                : PanelOriginStrategy::anchoredToStatusItem);
}

void DashboardPresenter::close() {
    if (popover_->isVisible()) {
        popover_->closing_ = true;
        popover_->hide();
        popover_->closing_ = false;
    }
    closePanel();
}

void DashboardPresenter::showSwitchFailure(const std::string& processId,
                                           const SwitchResult& result) {
    if (!isOpen()) {
        toggle(false);
    }
    DashboardWindow* shown = isPanelShown() ? panel_.data() : popover_;
    if (MacProcessRow* row = shown->view()->rowFor(processId)) {
        row->applySwitchResult(result);
    }
}

void DashboardPresenter::showPopover(bool atPointer) {
    int primary = 0;
    const auto screens = PanelPlacement::currentScreens(&primary);
    // Without a position from the tray, the pointer stands for the item when
    // it just clicked it; otherwise (launch, second launch) the pointer is
    // anywhere, and the popover goes where it goes without a tray position.
    const QPoint mouse = QCursor::pos();
    std::optional<QRect> anchor = item_.geometry();
    if (!anchor && atPointer) {
        anchor = QRect(mouse, QSize(1, 1));
    }
    popover_->move(PanelPlacement::anchoredToStatusItem(anchor, mouse, screens, primary));
    popover_->show();
    popover_->raise();
    popover_->activateWindow();
}

void DashboardPresenter::showPanel(PanelOriginStrategy strategy) {
    closePanel();
    const bool hintShown = settings_.boolean(firstUseHintShownKey);
    auto* panel = new DashboardWindow(DashboardWindow::Kind::panel, makeView(!hintShown, true));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &DashboardWindow::dismissed, this, [this] {
        lastDismissal_ = clock_();
        closePanel();
    });
    int primary = 0;
    const auto screens = PanelPlacement::currentScreens(&primary);
    panel->move(PanelPlacement::origin(strategy,
                                       item_.canBeSeen() ? item_.geometry() : std::nullopt,
                                       QCursor::pos(), screens, primary));
    setFloatingPanelHints(*panel);
    panel->show();
    panel->raise();
    panel->activateWindow();
    panel_ = panel;
    // The hint is shown in exactly one panel, even if nobody closes it.
    if (!hintShown) {
        settings_.setBoolean(firstUseHintShownKey, true);
    }
}

void DashboardPresenter::closePanel() {
    if (panel_) {
        DashboardWindow* panel = panel_.data();
        panel_.clear();
        panel->hide();
        panel->deleteLater();
    }
}

} // namespace quillo
