// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardView.h"

#include "DashboardModel.h"
#include "DashboardParts.h"
#include "DashboardTexts.h"
#include "MacProcessRow.h"
#include "theme/DotIndicator.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/SlimScrollBar.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRadialGradient>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

namespace quillo {

DashboardView::DashboardView(DashboardModel& model, bool showFirstUseHint, DashboardActions actions,
                             DashboardServices services, QWidget* parent)
    : QWidget(parent), model_(model), actions_(std::move(actions)), services_(std::move(services)) {
    setObjectName(QStringLiteral("dashboard"));
    setFixedSize(fixedWidth, fixedHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Hook error banner.
    hookBannerBox_ = new QWidget(this);
    auto* bannerLayout = new QVBoxLayout(hookBannerBox_);
    bannerLayout->setContentsMargins(10, 10, 10, 0);
    auto* banner = new HookErrorBanner(hookBannerBox_);
    bannerLayout->addWidget(banner);
    connect(banner, &PlainButton::clicked, this, [this] { actions_.onFixHook(); });
    layout->addWidget(hookBannerBox_);

    // Header.
    auto* header = new QWidget(this);
    auto* headerLayout = new QVBoxLayout(header);
    // The live dot's glow needs room left of the dot: the header's left padding
    // is shared between it and the lines' own inset.
    headerLayout->setContentsMargins(16 - ConnectionLine::dotInset(), 14, 16, 12);
    headerLayout->setSpacing(6);
    auto* title =
        new TitleLine(DashboardTexts::versionString(DashboardTexts::buildShortVersion()), header);
    title->setContentsMargins(ConnectionLine::dotInset(), 0, 0, 0);
    headerLayout->addWidget(title);
    connection_ = new ConnectionLine(header);
    headerLayout->addWidget(connection_);
    count_ = makeLabel(QString(), 11.5, QFont::Normal, Theme::fgDim(), header);
    count_->setObjectName(QStringLiteral("processCountText"));
    count_->setContentsMargins(ConnectionLine::dotInset(), 0, 0, 0);
    headerLayout->addWidget(count_);
    layout->addWidget(header);

    // Shortcut hint.
    if (showFirstUseHint) {
        hintBox_ = new QWidget(this);
        auto* hintLayout = new QVBoxLayout(hintBox_);
        hintLayout->setContentsMargins(10, 0, 10, 8);
        hint_ = new FirstUseHintBanner(hintBox_);
        hintLayout->addWidget(hint_);
        connect(hint_, &FirstUseHintBanner::closeRequested, this, &DashboardView::dismissHint);
        layout->addWidget(hintBox_);
    }

    layout->addWidget(makeDivider(this));

    // Content: the list or the empty state.
    content_ = new QStackedWidget(this);
    scroll_ = new QScrollArea(content_);
    scroll_->setObjectName(QStringLiteral("processList"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBar(new SlimScrollBar(Qt::Vertical, scroll_));
    scroll_->viewport()->setAutoFillBackground(false);
    auto* list = new QWidget(scroll_);
    list_ = list;
    list->setAutoFillBackground(false);
    rowsLayout_ = new QVBoxLayout(list);
    rowsLayout_->setContentsMargins(6, 6, 6, 6);
    rowsLayout_->setSpacing(0);
    rowsLayout_->addStretch(1);
    scroll_->setWidget(list);
    // QScrollArea fills its widget with the palette's window colour; the
    // ambient background has to show through.
    list->setAutoFillBackground(false);
    content_->addWidget(scroll_);
    content_->addWidget(makeEmptyState(content_));
    // Scrolling moves the list in the viewport; a new layout moves the rows
    // in the list.
    list->installEventFilter(this);
    scroll_->viewport()->installEventFilter(this);
    layout->addWidget(content_, 1);

    layout->addWidget(makeDivider(this));

    // Footer.
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(6, 6, 6, 6);
    auto* settings = new FooterButton(QStringLiteral("gearshape"),
                                      QCoreApplication::translate("DashboardView", "设置"), this);
    settings->setObjectName(QStringLiteral("settingsButton"));
    auto* quit = new FooterButton(QStringLiteral("xmark"),
                                  QCoreApplication::translate("DashboardView", "退出"), this);
    quit->setObjectName(QStringLiteral("quitButton"));
    connect(settings, &PlainButton::clicked, this, [this] { actions_.onOpenSettings(); });
    connect(quit, &PlainButton::clicked, this, [this] { actions_.onQuit(); });
    footer->addWidget(settings);
    footer->addStretch(1);
    footer->addWidget(quit);
    layout->addLayout(footer);

    connect(&model_, &DashboardModel::processesChanged, this, &DashboardView::setProcesses);
    connect(&model_, &DashboardModel::peerCountChanged, this, &DashboardView::setPeerCount);
    connect(&model_, &DashboardModel::hookErrorChanged, this, &DashboardView::setHookError);
    connect(&model_, &DashboardModel::questionsChanged, this, &DashboardView::setQuestions);
    setProcesses(model_.processes());
    setPeerCount(model_.peerCount());
    setHookError(model_.hookError());
}

DashboardView::~DashboardView() = default;

void DashboardView::setProcesses(const std::vector<ClaudeProcess>& processes) {
    // Rows are kept by session id, so a row keeps its error and hover while
    // its session stays; the order is the store's. Only rows whose session
    // changed are touched, and only rows out of place are moved: a change of
    // one session costs the same with 5 or 500 rows.
    // Mostly the sessions are those shown, in the same order: then the rows
    // are compared in place, without looking any up.
    auto rowAt = [this](int i) {
        return static_cast<MacProcessRow*>(rowsLayout_->itemAt(i)->widget());
    };
    bool sameSessions = processes.size() == rowsById_.size();
    for (std::size_t i = 0; sameSessions && i < processes.size(); ++i) {
        sameSessions = rowAt(static_cast<int>(i))->process().id == processes[i].id;
    }
    if (!sameSessions) {
        std::set<std::string> present;
        for (const ClaudeProcess& process : processes) {
            present.insert(process.id);
        }
        for (auto it = rowsById_.begin(); it != rowsById_.end();) {
            if (present.count(it->first) == 0) {
                std::erase(onScreen_, it->second);
                rowsLayout_->removeWidget(it->second);
                delete it->second;
                it = rowsById_.erase(it);
            } else {
                ++it;
            }
        }
    }
    int index = 0;
    for (const ClaudeProcess& process : processes) {
        MacProcessRow* row = nullptr;
        if (sameSessions) {
            row = rowAt(index);
            if (!(row->process() == process)) {
                row->setProcess(process);
            }
        } else if (auto found = rowsById_.find(process.id); found != rowsById_.end()) {
            row = found->second;
            if (!(row->process() == process)) {
                row->setProcess(process);
            }
        } else {
            row = new MacProcessRow(process, services_, list_);
            row->updateDuration(services_.clock());
            if (auto question = model_.questions().find(process.id);
                question != model_.questions().end()) {
                row->setQuestion(question->second);
            }
            connect(row, &MacProcessRow::switchStarted, this,
                    [this] { actions_.onSwitchStarted(); });
            rowsById_[process.id] = row;
        }
        QLayoutItem* there = rowsLayout_->itemAt(index);
        if (there == nullptr || there->widget() != row) {
            rowsLayout_->removeWidget(row);
            rowsLayout_->insertWidget(index, row);
        }
        ++index;
    }
    content_->setCurrentIndex(processes.empty() ? 1 : 0);
    if (ticking_) {
        scheduleTick(); // the state change times may have moved
    }
    count_->setText(DashboardTexts::processCountText(processes.size()));
    count_->setAccessibleName(count_->text());
}

void DashboardView::setQuestions(const RowQuestions& questions) {
    // Questions are few and come and go one at a time: each row compares its
    // own and does nothing when it did not change.
    for (auto& [sessionId, row] : rowsById_) {
        auto found = questions.find(sessionId);
        row->setQuestion(found == questions.end() ? std::nullopt
                                                  : std::optional<RowQuestion>(found->second));
    }
}

void DashboardView::setPeerCount(int count) {
    connection_->setPeerCount(count);
}

void DashboardView::setHookError(bool hasError) {
    hookBannerBox_->setVisible(hasError);
}

void DashboardView::dismissHint() {
    if (hintBox_ == nullptr || !hintBox_->isVisible()) {
        return;
    }
    auto* effect = new QGraphicsOpacityEffect(hintBox_);
    hintBox_->setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", hintBox_);
    fade->setDuration(180);
    fade->setEasingCurve(QEasingCurve::InOutSine);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, hintBox_, &QWidget::hide);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
    actions_.onDismissFirstUseHint();
}

std::vector<MacProcessRow*> DashboardView::rows() const {
    std::vector<MacProcessRow*> result;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<MacProcessRow*>(rowsLayout_->itemAt(i)->widget())) {
            result.push_back(row);
        }
    }
    return result;
}

MacProcessRow* DashboardView::rowFor(const std::string& processId) const {
    auto found = rowsById_.find(processId);
    return found == rowsById_.end() ? nullptr : found->second;
}

bool DashboardView::isTicking() const {
    return ticking_;
}

void DashboardView::tick() {
    const Timestamp now = services_.clock();
    for (MacProcessRow* row : onScreen_) {
        row->updateDuration(now);
    }
    if (ticking_) {
        scheduleTick();
    }
}

std::chrono::milliseconds DashboardView::untilNextSecond(const std::vector<Timestamp>& changes,
                                                         Timestamp now) {
    std::optional<Seconds> soonest;
    for (const Timestamp changed : changes) {
        const double elapsed = (now - changed).count();
        // Before the change time the duration reads 0 until a second after it.
        const Seconds next{elapsed < 0 ? 1 - elapsed : 1 - std::fmod(elapsed, 1.0)};
        if (!soonest || next < *soonest) {
            soonest = next;
        }
    }
    // Just past the boundary, so that the whole seconds have changed.
    return std::chrono::ceil<std::chrono::milliseconds>(soonest.value_or(Seconds{1})) +
           std::chrono::milliseconds(1);
}

void DashboardView::scheduleTick() {
    std::vector<Timestamp> changes;
    changes.reserve(onScreen_.size());
    for (const MacProcessRow* row : onScreen_) {
        changes.push_back(row->process().stateChangedAt);
    }
    const int generation = ++tickGeneration_;
    services_.later(untilNextSecond(changes, services_.clock()), this, [this, generation] {
        if (generation == tickGeneration_) {
            tick();
        }
    });
}

void DashboardView::setRoundedCorners(bool rounded) {
    rounded_ = rounded;
    background_ = QPixmap();
    setAttribute(Qt::WA_TranslucentBackground, rounded);
    update();
}

void DashboardView::updateRowsOnScreen() {
    // The viewport's rectangle in the list; the rows lie top to bottom in it,
    // so the ones in view are found without looking at the others.
    const QRect seen(-list_->pos(), scroll_->viewport()->size());
    // Every item but the closing stretch is a row.
    const int rowCount = rowsLayout_->count() - 1;
    auto rowAt = [this](int i) { return rowsLayout_->itemAt(i)->widget(); };
    int first = 0;
    int last = rowCount;
    while (first < last) {
        const int middle = (first + last) / 2;
        if (rowAt(middle)->geometry().bottom() < seen.top()) {
            first = middle + 1;
        } else {
            last = middle;
        }
    }
    std::vector<MacProcessRow*> now;
    for (int i = first; i < rowCount && rowAt(i)->geometry().top() <= seen.bottom(); ++i) {
        if (auto* row = qobject_cast<MacProcessRow*>(rowAt(i));
            row != nullptr && row->geometry().intersects(seen)) {
            now.push_back(row);
        }
    }
    for (MacProcessRow* row : onScreen_) {
        if (std::find(now.begin(), now.end(), row) == now.end()) {
            row->setOnScreen(false);
        }
    }
    const bool changed = now != onScreen_;
    onScreen_ = std::move(now);
    for (MacProcessRow* row : onScreen_) {
        row->setOnScreen(true);
    }
    if (changed && ticking_) {
        scheduleTick(); // rows in view with other change times
    }
}

bool DashboardView::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    // The list's layout has placed the rows by the time a filter sees its
    // layout request.
    if ((watched == list_ &&
         (type == QEvent::Move || type == QEvent::Resize || type == QEvent::LayoutRequest)) ||
        (watched == scroll_->viewport() && type == QEvent::Resize)) {
        updateRowsOnScreen();
    }
    return QWidget::eventFilter(watched, event);
}

void DashboardView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateRowsOnScreen();
    ticking_ = true;
    tick();
}

void DashboardView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ticking_ = false;
    ++tickGeneration_;
}

void DashboardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The device's own ratio: a render at another scale than the screen's
    // draws into an image of that scale.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    if (background_.size() != size() * ratio || background_.devicePixelRatio() != ratio) {
        background_ = QPixmap(size() * ratio);
        background_.setDevicePixelRatio(ratio);
        background_.fill(Qt::transparent);
        paintBackground(background_, rounded_);
    }
    painter.drawPixmap(0, 0, background_);
}

void DashboardView::paintBackground(QPixmap& target, bool rounded) {
    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(QPointF(0, 0), target.deviceIndependentSize());
    if (rounded) {
        QPainterPath card;
        card.addRoundedRect(area, cornerRadius, cornerRadius);
        painter.setClipPath(card);
    }
    // The ambient background: the deep colour with two soft glows.
    painter.fillRect(area, Theme::bgDeepest());
    auto glow = [&](QPointF centre, QColor color) {
        QColor clear = color;
        clear.setAlphaF(0);
        QRadialGradient gradient(centre, 360);
        gradient.setColorAt(0, color);
        gradient.setColorAt(1, clear);
        painter.fillRect(area, gradient);
    };
    glow({area.width() * 0.2, 0}, oklch(0.22, 0.02, 240, 0.6));
    glow({area.width(), area.height()}, oklch(0.2, 0.015, 260, 0.5));
}

} // namespace quillo
