// SPDX-License-Identifier: GPL-3.0-or-later
#include "DashboardParts.h"

#include "DashboardTexts.h"
#include "theme/DotIndicator.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace quillo {

using DashboardTexts::connectionText;

namespace {

int ceilInt(double value) {
    return static_cast<int>(std::ceil(value));
}

} // namespace

PlainButton::PlainButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void PlainButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hover_ = true;
    update();
}

void PlainButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hover_ = false;
    update();
}

void PlainButton::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void PlainButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) {
        emit clicked();
    }
}

void PlainButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Hook error banner --------------------------------------------------------

HookErrorBanner::HookErrorBanner(QWidget* parent) : PlainButton(parent) {
    setObjectName(QStringLiteral("hookErrorBanner"));
    setAccessibleName(QCoreApplication::translate("DashboardView", "Hook 配置已失效，点击修复"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize HookErrorBanner::sizeHint() const {
    const QFontMetricsF metrics(Fonts::ui(12));
    return {300, ceilInt(9 + metrics.height() + 9)};
}

void HookErrorBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(oklch(0.55, 0.18, 25, 0.45), 1));
    painter.setBrush(oklch(0.3, 0.1, 25, 0.3));
    painter.drawRoundedRect(box, 10, 10);

    const QFont font = Fonts::ui(12);
    const QFont bold = Fonts::ui(12, QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    const double symbolSide = 12 * 1.15;
    Symbols::paint(painter, QRectF(12, (height() - symbolSide) / 2, symbolSide, symbolSide),
                   "lock.slash", 12, Theme::statusPerm());
    painter.setFont(font);
    painter.setPen(Theme::fg());
    painter.drawText(QPointF(12 + symbolSide + 8, baseline),
                     QCoreApplication::translate("DashboardView", "Hook 配置已失效，点击修复"));
    const QString fix = QCoreApplication::translate("DashboardView", "修复 →");
    painter.setFont(bold);
    painter.setPen(Theme::statusPerm());
    painter.drawText(QPointF(width() - 12 - QFontMetricsF(bold).horizontalAdvance(fix), baseline),
                     fix);
}

// First-use hint ------------------------------------------------------------

FirstUseHintBanner::FirstUseHintBanner(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("firstUseHint"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(8);
    auto* bulb = new SymbolView(QStringLiteral("lightbulb"), 11, Theme::statusInput());
    auto* bulbColumn = new QVBoxLayout;
    bulbColumn->setContentsMargins(0, 1, 0, 0);
    bulbColumn->addWidget(bulb);
    bulbColumn->addStretch();
    row->addLayout(bulbColumn);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->setContentsMargins(0, 0, 0, 0);
    auto* title = makeLabel(QCoreApplication::translate("DashboardView", "图标被挤掉时也能唤起"),
                            11.5, QFont::DemiBold, Theme::fg());
    auto* body = makeLabel(
        QCoreApplication::translate(
            "DashboardView", "到「设置 → 通用」录制全局快捷键，托盘图标看不见时也能随时打开。"),
        11, QFont::Normal, Theme::fgMuted());
    body->setWordWrap(true);
    column->addWidget(title);
    column->addWidget(body);
    row->addLayout(column, 1);

    auto* close = new PlainButton(this);
    close->setObjectName(QStringLiteral("firstUseHintClose"));
    close->setAccessibleName(QCoreApplication::translate("DashboardView", "关闭提示"));
    close->setFixedSize(ceilInt(10 * 1.15 + 8), ceilInt(10 * 1.15 + 8));
    auto* closeLayout = new QHBoxLayout(close);
    closeLayout->setContentsMargins(4, 4, 4, 4);
    closeLayout->addWidget(new SymbolView(QStringLiteral("xmark"), 10, Theme::fgFaint()));
    connect(close, &PlainButton::clicked, this, &FirstUseHintBanner::closeRequested);
    auto* closeColumn = new QVBoxLayout;
    closeColumn->setContentsMargins(0, 0, 0, 0);
    closeColumn->addWidget(close);
    closeColumn->addStretch();
    row->addLayout(closeColumn);
}

void FirstUseHintBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::lineSoft(), 0.5));
    painter.setBrush(oklch(0.22, 0.011, 250, 0.7));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 8, 8);
}

// Footer button -------------------------------------------------------------

FooterButton::FooterButton(QString systemImage, QString label, QWidget* parent)
    : PlainButton(parent), systemImage_(std::move(systemImage)), label_(std::move(label)) {
    setAccessibleName(label_);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize FooterButton::sizeHint() const {
    const QFontMetricsF metrics(Fonts::ui(12.5));
    const double symbol = 12 * 1.15;
    return {ceilInt(10 + symbol + 6 + metrics.horizontalAdvance(label_) + 10),
            ceilInt(6 + std::max(symbol, metrics.height()) + 6)};
}

void FooterButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (hovered()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(oklch(0.22, 0.011, 250));
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    const QFont font = Fonts::ui(12.5);
    const QFontMetricsF metrics(font);
    const double symbol = 12 * 1.15;
    Symbols::paint(painter, QRectF(10, (height() - symbol) / 2, symbol, symbol),
                   systemImage_.toStdString(), 12, Theme::fgMuted());
    painter.setFont(font);
    painter.setPen(Theme::fgMuted());
    painter.drawText(QPointF(10 + symbol + 6, (height() - metrics.height()) / 2 + metrics.ascent()),
                     label_);
}

// Title line ----------------------------------------------------------------

namespace {

QFont titleFont() {
    QFont font = Fonts::ui(14, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.4);
    return font;
}

QFont versionFont() {
    QFont font = Fonts::ui(10.5);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

} // namespace

TitleLine::TitleLine(QString version, QWidget* parent)
    : QWidget(parent), version_(std::move(version)) {
    setObjectName(QStringLiteral("titleLine"));
    setAccessibleName(QStringLiteral("QUILLO ") + version_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TitleLine::sizeHint() const {
    return {300, ceilInt(QFontMetricsF(titleFont()).height())};
}

void TitleLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF title(titleFont());
    const QFontMetricsF version(versionFont());
    const double baseline = title.ascent();
    painter.setFont(titleFont());
    painter.setPen(Theme::fg());
    painter.drawText(QPointF(contentsRect().left(), baseline), QStringLiteral("QUILLO"));
    painter.setFont(versionFont());
    painter.setPen(Theme::fgFaint());
    painter.drawText(QPointF(width() - version.horizontalAdvance(version_), baseline), version_);
}

// Connection line ----------------------------------------------------------

int ConnectionLine::dotInset() {
    static const int inset = static_cast<int>(DotIndicator(ProcessState::active, 8).glowMargin());
    return inset;
}

ConnectionLine::ConnectionLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("connectionLine"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    live_ = new DotIndicator(ProcessState::active, 8, this);
    live_->hide();
    setPeerCount(0);
}

QSize ConnectionLine::sizeHint() const {
    const QFontMetricsF metrics(Fonts::ui(13, QFont::Medium));
    return {300, std::max(ceilInt(metrics.height()), live_->sizeHint().height())};
}

void ConnectionLine::setPeerCount(int count) {
    connected_ = count >= 1;
    live_->setVisible(connected_);
    live_->move(0, (sizeHint().height() - live_->height()) / 2);
    setAccessibleName(connectionText(count));
    update();
}

void ConnectionLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double inset = dotInset();
    const double middle = height() / 2.0;
    if (!connected_) {
        painter.setPen(QPen(Theme::lineSoft(), 0.5));
        painter.setBrush(Theme::statusUnknown());
        painter.drawEllipse(QRectF(inset + 0.25, middle - 4 + 0.25, 7.5, 7.5));
    }
    const QFont font = Fonts::ui(13, connected_ ? QFont::Medium : QFont::Normal);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(connected_ ? Theme::fg() : Theme::fgMuted());
    painter.drawText(QPointF(inset + 8 + 8, middle - metrics.height() / 2 + metrics.ascent()),
                     accessibleName());
}

// Empty state and divider ---------------------------------------------------

namespace {

class PlayTile : public QWidget {
public:
    explicit PlayTile(QWidget* parent) : QWidget(parent) { setFixedSize(44, 44); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::lineSoft(), 1));
        painter.setBrush(Theme::bgRaised());
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        Symbols::paint(painter, rect(), "play", 18, Theme::fgFaint());
    }
};

class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::lineSoft());
    }
};

} // namespace

QWidget* makeEmptyState(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("emptyState"));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(10);
    column->addStretch(1);
    column->addWidget(new PlayTile(page), 0, Qt::AlignHCenter);
    auto* title = makeLabel(QCoreApplication::translate("DashboardView", "暂无 Claude Code 进程"),
                            13, QFont::Normal, Theme::fgMuted(), page);
    auto* hint =
        makeLabel(QCoreApplication::translate("DashboardView", "启动 Claude Code 后会自动显示"), 11,
                  QFont::Normal, Theme::fgDim(), page);
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addWidget(hint, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

QWidget* makeDivider(QWidget* parent) {
    return new Divider(parent);
}

} // namespace quillo
