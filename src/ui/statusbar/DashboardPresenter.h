// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelPlacement.h"
#include "dashboard/DashboardServices.h"
#include "terminal/SwitchResult.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <functional>

namespace quillo {

class DashboardModel;
class DashboardView;
class SettingsStore;
class StatusItem;

// A frameless window holding one dashboard: the popover (a Qt::Popup that closes
// itself on a click elsewhere) or the floating panel (closed by Escape and when
// another window takes the focus).
class DashboardWindow : public QWidget {
    Q_OBJECT

public:
    enum class Kind { popover, panel };
    DashboardWindow(Kind kind, DashboardView* view);

    Kind kind() const { return kind_; }
    DashboardView* view() const { return view_; }

    // A row tap brings a terminal forward, which takes the focus: losing it
    // before `until` is no reason to close.
    void keepOpenOnFocusLossUntil(std::chrono::steady_clock::time_point until) {
        keepOpenUntil_ = until;
    }

signals:
    // The window closed by itself (outside click, Escape, focus loss).
    void dismissed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Kind kind_;
    DashboardView* view_;
    bool wasActive_ = false;
    bool closing_ = false;
    std::chrono::steady_clock::time_point keepOpenUntil_{};
    friend class DashboardPresenter;
};

// Decides how and where the dashboard shows: the popover under the status item
// while the item can be seen, otherwise a panel (centred on the pointer when
// asked, else under the item or at the top right). At most one panel exists;
// the popover is made once and reused.
class DashboardPresenter : public QObject {
    Q_OBJECT

public:
    static constexpr const char* firstUseHintShownKey = "quillo.firstUseHintShown";
    // A click on the status item this soon after the dashboard closed itself is
    // the click that closed it, and must not open it again.
    static constexpr std::chrono::milliseconds reopenGuard{400};
    // How long after a row tap the dashboard stays open when the focus goes:
    // long enough for a slow switch to bring its terminal forward.
    static constexpr std::chrono::seconds keepOpenAfterTap{10};

    struct Actions {
        std::function<void()> openSettings = [] {};
        std::function<void()> quit = [] {};
    };
    using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

    DashboardPresenter(DashboardModel& model, StatusItem& item, SettingsStore& settings,
                       Actions actions, DashboardServices services = {},
                       SteadyClock clock = &std::chrono::steady_clock::now,
                       QObject* parent = nullptr);
    ~DashboardPresenter() override;

    // Opens or closes the dashboard: the entry of the status item (false), the
    // global shortcut (its open-at-mouse setting) and a second launch (false).
    void toggle(bool preferMouseOrigin);

    // The status item was clicked.
    void statusItemClicked();

    void close();

    // Whether the popover or a panel is on screen.
    bool isOpen() const { return isPopoverShown() || isPanelShown(); }
    // Shows a switch that failed outside the dashboard (from a desktop notice)
    // where a row's own failures show: the dashboard opens, and the session's
    // row carries the message.
    void showSwitchFailure(const std::string& processId, const SwitchResult& result);

    bool isPopoverShown() const;
    bool isPanelShown() const;
    DashboardWindow* popover() const { return popover_; }
    DashboardWindow* panel() const { return panel_.data(); }

private:
    void showPopover(bool atPointer);
    void showPanel(PanelOriginStrategy strategy);
    DashboardView* makeView(bool showFirstUseHint, bool inPanel);
    void closePanel();

    DashboardModel& model_;
    StatusItem& item_;
    SettingsStore& settings_;
    Actions actions_;
    DashboardServices services_;
    SteadyClock clock_;
    DashboardWindow* popover_ = nullptr;
    QPointer<DashboardWindow> panel_;
    std::chrono::steady_clock::time_point lastDismissal_{};
    bool itemClicked_ = false; // toggle() runs for a click on the status item
};

} // namespace quillo
