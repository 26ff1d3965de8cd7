// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogView.h"

#include "DiagnosticLogList.h"
#include "platform/DialogHistoryGuard.h"
#include "theme/Fonts.h"
#include "theme/Label.h"
#include "theme/Oklch.h"
#include "theme/Symbols.h"
#include "theme/Theme.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>

#include <cmath>

namespace quillo {

namespace {

QColor barColor() {
    return oklch(0.17, 0.009, 250);
}

// The toolbar's and the footer's band.
class Band : public QWidget {
public:
    Band(int horizontal, int vertical) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(horizontal, vertical, horizontal, vertical);
        layout->setSpacing(8);
    }
    QHBoxLayout* row() { return static_cast<QHBoxLayout*>(layout()); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), barColor()); }
};

class Divider : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Theme::lineSoft()); }
};

// The window's own button look: a symbol and a short label in a small rounded
// box, red for what cannot be undone.
class ChromeButton : public QAbstractButton {
public:
    ChromeButton(const QString& symbol, const QString& text, bool danger)
        : symbol_(symbol), danger_(danger) {
        setText(text);
        setAccessibleName(text);
        setCursor(Qt::PointingHandCursor);
        setFont(Fonts::ui(11.5));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        const double width = symbolSize + spacing + metrics.horizontalAdvance(text()) + 2 * 9;
        return {static_cast<int>(std::ceil(width)),
                static_cast<int>(std::ceil(metrics.height() + 2 * 5))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        painter.setBrush(isDown() ? oklch(0.24, 0.012, 248) : oklch(0.2, 0.01, 250));
        painter.setPen(
            QPen(danger_ ? oklch(0.45, 0.14, 25, 0.4) : Theme::cardHighlightSoft(), 0.5));
        painter.drawRoundedRect(box, 6, 6);
        const QColor color = danger_ ? oklch(0.85, 0.12, 25) : Theme::fgMuted();
        const QRectF symbol(9, 0, symbolSize, height());
        Symbols::paint(painter, symbol, symbol_.toStdString(), 11.5, color);
        painter.setFont(font());
        painter.setPen(color);
        painter.drawText(QRectF(symbol.right() + spacing, 0, width(), height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    static constexpr double symbolSize = 13;
    static constexpr double spacing = 5;
    QString symbol_;
    bool danger_;
};

class EmptyView : public QWidget {
public:
    EmptyView() {
        setObjectName(QStringLiteral("logEmpty"));
        auto* layout = new QVBoxLayout(this);
        layout->setSpacing(10);
        layout->addStretch();
        layout->addWidget(new SymbolView(QStringLiteral("tray"), 32, Theme::fgFaint()), 0,
                          Qt::AlignHCenter);
        auto* text =
            makeLabel(QCoreApplication::translate("DiagnosticLogView", "最近 24 小时无诊断记录"),
                      13, QFont::Normal, Theme::fgDim());
        text->setAlignment(Qt::AlignCenter);
        layout->addWidget(text, 0, Qt::AlignHCenter);
        layout->addStretch();
    }
};

std::optional<QString> askWithSaveDialog(QWidget* parent, const QString& proposedName) {
    const DialogHistoryGuard leaveNoHistory;
    const QString chosen = QFileDialog::getSaveFileName(
        parent, QCoreApplication::translate("DiagnosticLogView", "导出日志"),
        QDir::home().filePath(proposedName));
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

} // namespace

DiagnosticLogView::DiagnosticLogView(DiagnosticLogSource source, AskDestination ask,
                                     QWidget* parent)
    : QWidget(parent), source_(std::move(source)),
      ask_(ask ? std::move(ask) : AskDestination(askWithSaveDialog)) {
    setObjectName(QStringLiteral("diagnosticLogView"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::bgBase());
    setPalette(palette);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* toolbar = new Band(14, 10);
    toolbar->setObjectName(QStringLiteral("logToolbar"));
    filterPicker_ = new QComboBox;
    filterPicker_->setObjectName(QStringLiteral("logFilter"));
    filterPicker_->setFixedWidth(130);
    filterPicker_->setFont(Fonts::ui(12));
    for (const LogFilterOption& option : logFilterOptions()) {
        filterPicker_->addItem(option.label);
    }
    filterPicker_->setAccessibleName(QCoreApplication::translate("DiagnosticLogView", "筛选"));
    connect(filterPicker_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto options = logFilterOptions();
        if (index >= 0 && index < static_cast<int>(options.size())) {
            filter_ = options[static_cast<std::size_t>(index)].filter;
            showRows();
        }
    });
    toolbar->row()->addWidget(filterPicker_);
    count_ = makeLabel(QString(), 11, QFont::Normal, Theme::fgFaint());
    count_->setObjectName(QStringLiteral("logCount"));
    QFont countFont = count_->font();
    countFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    count_->setFont(countFont);
    toolbar->row()->addWidget(count_);
    toolbar->row()->addStretch();
    auto addButton = [&](const char* name, const char* symbol, const QString& text, bool danger,
                         void (DiagnosticLogView::*action)()) {
        auto* button = new ChromeButton(QString::fromLatin1(symbol), text, danger);
        button->setObjectName(QString::fromLatin1(name));
        connect(button, &QAbstractButton::clicked, this, action);
        toolbar->row()->addWidget(button);
    };
    addButton("reloadButton", "arrow.clockwise",
              QCoreApplication::translate("DiagnosticLogView", "刷新"), false,
              &DiagnosticLogView::reload);
    addButton("exportButton", "arrow.up.right",
              QCoreApplication::translate("DiagnosticLogView", "导出日志"), false,
              &DiagnosticLogView::exportLog);
    addButton("clearButton", "trash", QCoreApplication::translate("DiagnosticLogView", "清空"),
              true, &DiagnosticLogView::clearLog);
    column->addWidget(toolbar);
    column->addWidget(new Divider);

    pages_ = new QStackedWidget;
    list_ = new DiagnosticLogListView;
    pages_->addWidget(list_);
    pages_->addWidget(new EmptyView);
    auto* loadingText =
        makeLabel(QCoreApplication::translate("DiagnosticLogView", "正在读取诊断日志…"), 13,
                  QFont::Normal, Theme::fgDim());
    loadingText->setObjectName(QStringLiteral("logLoading"));
    loadingText->setAlignment(Qt::AlignCenter);
    pages_->addWidget(loadingText);
    column->addWidget(pages_, 1);

    column->addWidget(new Divider);
    auto* footer = new Band(14, 6);
    auto* path = makeLabel(QString::fromStdString(source_.file.string()), 10, QFont::Normal,
                           Theme::fgFaint());
    path->setObjectName(QStringLiteral("logPath"));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    footer->row()->addWidget(path, 1);
    column->addWidget(footer);

    setEntries({});
    reload();
}

DiagnosticLogView::~DiagnosticLogView() = default;

void DiagnosticLogView::reload() {
    const int generation = ++generation_;
    const std::uintmax_t size = source_.bytesToRead ? source_.bytesToRead() : 0;
    if (size <= backgroundLoadBytes || !source_.load) {
        setEntries(source_.load ? source_.load() : std::vector<DiagnosticLogger::Entry>{});
        return;
    }
    loading_ = true;
    if (entries_.empty()) {
        pages_->setCurrentIndex(2);
    }
    QPointer<DiagnosticLogView> self(this);
    QThreadPool::globalInstance()->start([self, generation, load = source_.load] {
        auto entries = load();
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) {
            return;
        }
        QMetaObject::invokeMethod(
            app,
            [self, generation, entries = std::move(entries)]() mutable {
                if (self != nullptr && self->generation_ == generation) {
                    self->setEntries(std::move(entries));
                }
            },
            Qt::QueuedConnection);
    });
}

void DiagnosticLogView::setEntries(std::vector<DiagnosticLogger::Entry> entries) {
    loading_ = false;
    list_->setRows(nullptr, {}); // the list reads entries_ until it is told otherwise
    entries_ = std::move(entries);
    count_->setText(QCoreApplication::translate("DiagnosticLogView", "%1 条记录")
                        .arg(static_cast<qulonglong>(entries_.size())));
    showRows();
    emit entriesLoaded(static_cast<int>(entries_.size()));
}

void DiagnosticLogView::setFilter(LogFilter filter) {
    const auto options = logFilterOptions();
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i].filter == filter) {
            filterPicker_->setCurrentIndex(static_cast<int>(i)); // shows the rows
            return;
        }
    }
}

void DiagnosticLogView::showRows() {
    std::vector<std::size_t> rows = filteredRows(entries_, filter_);
    shownCount_ = rows.size();
    list_->setRows(&entries_, std::move(rows));
    if (!loading_ || !entries_.empty()) {
        pages_->setCurrentIndex(shownCount_ == 0 ? 1 : 0);
    }
}

std::vector<DiagnosticLogger::Entry> DiagnosticLogView::shownEntries() const {
    return filteredEntries(entries_, filter_);
}

QString DiagnosticLogView::proposedExportName(Timestamp at) {
    return QStringLiteral("quillo-diagnostic-%1.log")
        .arg(static_cast<qlonglong>(std::floor(secondsSince1970(at))));
}

void DiagnosticLogView::exportLog() {
    if (entries_.empty() && source_.bytesToRead && source_.bytesToRead() == 0) {
        // No file would be written; say so rather than ask where to put it.
        auto* note = new QMessageBox(QMessageBox::Information,
                                     QCoreApplication::translate("DiagnosticLogView", "导出日志"),
                                     QCoreApplication::translate(
                                         "DiagnosticLogView", "诊断日志是空的，没有可以导出的内容。"),
                                     QMessageBox::Ok, this);
        note->setObjectName(QStringLiteral("nothingToExport"));
        note->setAttribute(Qt::WA_DeleteOnClose);
        note->setWindowModality(Qt::WindowModal);
        note->open();
        return;
    }
    const std::optional<QString> destination = ask_(this, proposedExportName(now()));
    if (destination && source_.exportTo) {
        // A failed copy is not reported: the log stays where the footer says.
        source_.exportTo(destination->toStdString());
    }
}

void DiagnosticLogView::clearLog() {
    if (source_.clear) {
        source_.clear();
    }
    reload();
}

} // namespace quillo
