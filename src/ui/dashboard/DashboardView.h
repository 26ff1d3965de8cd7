// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClaudeProcess.h"
#include "DashboardModel.h"
#include "DashboardServices.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

namespace quillo {

class ConnectionLine;
class FirstUseHintBanner;
class HookErrorBanner;
class MacProcessRow;

// What the dashboard's buttons do; the presenter supplies them.
struct DashboardActions {
    std::function<void()> onOpenSettings = [] {};
    std::function<void()> onQuit = [] {};
    std::function<void()> onFixHook = [] {};
    std::function<void()> onDismissFirstUseHint = [] {};
    // A row's switch started: its terminal is about to take the focus.
    std::function<void()> onSwitchStarted = [] {};
};

// The dashboard card: hook banner, header, the optional shortcut hint, one row
// per session in the store's order (or the empty state) and the footer. It
// follows the model, changing only the rows whose session changed; while the
// view is shown, the durations of the rows in the list's view tick on the
// whole seconds after each one's state change, through one timer set for the
// nearest such second of any of them. Rows outside the list's view neither
// tick nor breathe, so that the cost of an open dashboard stays that of the
// rows one can see, however many sessions there are.
class DashboardView : public QWidget {
    Q_OBJECT

public:
    static constexpr int fixedWidth = 400;
    static constexpr int fixedHeight = 520;
    static constexpr double cornerRadius = 14;

    DashboardView(DashboardModel& model, bool showFirstUseHint, DashboardActions actions,
                  DashboardServices services = {}, QWidget* parent = nullptr);
    ~DashboardView() override;

    // The rows in display order.
    std::vector<MacProcessRow*> rows() const;
    MacProcessRow* rowFor(const std::string& processId) const;

    bool isTicking() const;
    // The rows in the list's view, top to bottom.
    const std::vector<MacProcessRow*>& rowsOnScreen() const { return onScreen_; }

    // One tick of the duration timer: every row in view re-renders its
    // duration, and the next tick is set.
    void tick();

    // From `now`, how long until the duration of a session whose state
    // changed at one of `changes` next reads another whole second.
    static std::chrono::milliseconds untilNextSecond(const std::vector<Timestamp>& changes,
                                                     Timestamp now);

    // Draws the card with rounded corners (in a window that shows what is
    // behind the corners).
    void setRoundedCorners(bool rounded);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setProcesses(const std::vector<ClaudeProcess>& processes);
    void setQuestions(const RowQuestions& questions);
    void setPeerCount(int count);
    void setHookError(bool hasError);
    void dismissHint();
    void scheduleTick();
    // Finds the rows in the list's view after a scroll, a resize or a new
    // layout, and tells the rows that came and went.
    void updateRowsOnScreen();
    static void paintBackground(QPixmap& target, bool rounded);

    DashboardModel& model_;
    DashboardActions actions_;
    DashboardServices services_;
    bool rounded_ = false;
    // The card's background, drawn once: each frame of a breathing dot
    // repaints the background under it.
    QPixmap background_;

    QWidget* hookBannerBox_ = nullptr;
    FirstUseHintBanner* hint_ = nullptr;
    QWidget* hintBox_ = nullptr;
    ConnectionLine* connection_ = nullptr;
    QLabel* count_ = nullptr;
    QStackedWidget* content_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* list_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::map<std::string, MacProcessRow*> rowsById_;
    std::vector<MacProcessRow*> onScreen_;
    // A tick set before the latest (re)scheduling does nothing.
    int tickGeneration_ = 0;
    bool ticking_ = false;
};

} // namespace quillo
