// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogList.h"

#include "DiagnosticLogFilter.h"
#include "TypePill.h"
#include "theme/Fonts.h"
#include "theme/Oklch.h"
#include "theme/Theme.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace quillo {

namespace {

constexpr int horizontalPadding = 14;
constexpr int verticalPadding = 8;
constexpr int timeColumnWidth = 110;
constexpr int columnSpacing = 10;
constexpr int messageSpacing = 3;

QFont timeFont() {
    return Fonts::monospaced(11.5);
}

QFont messageFont() {
    return Fonts::ui(12);
}

QFont contextFont() {
    return Fonts::ui(10.5);
}

// Wraps at word boundaries, and anywhere inside a word that is wider than the
// column (paths, ids).
struct WrappedText {
    QTextLayout layout;
    double height = 0;

    WrappedText(const QString& text, const QFont& font, double width) : layout(text, font) {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        while (true) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) {
                break;
            }
            line.setLineWidth(std::max(width, 20.0));
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
    }
};

} // namespace

void DiagnosticLogModel::setRows(const std::vector<DiagnosticLogger::Entry>* entries,
                                 std::vector<std::size_t> rows) {
    beginResetModel();
    entries_ = entries;
    rows_ = entries != nullptr ? std::move(rows) : std::vector<std::size_t>{};
    endResetModel();
}

int DiagnosticLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant DiagnosticLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const auto& shown = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return entryPlainText(shown);
    default:
        return {};
    }
}

DiagnosticLogDelegate::DiagnosticLogDelegate(QListView* view)
    : QStyledItemDelegate(view), view_(view) {}

QColor DiagnosticLogDelegate::messageColor(DiagnosticLogger::Severity severity) {
    switch (severity) {
    case DiagnosticLogger::Severity::info:
        return Theme::fgMuted();
    case DiagnosticLogger::Severity::warning:
        return oklch(0.9, 0.08, 75);
    case DiagnosticLogger::Severity::error:
        return oklch(0.88, 0.1, 25);
    }
    return Theme::fgMuted();
}

// As wide as the widest pill: the known labels and any four capitals.
int pillColumnWidth() {
    static const int width = [] {
        double widest = 0;
        for (const char* category : {"transport", "switch", "as", "hook", "parse", "events", "mmmm",
                                     "wwww"}) {
            widest = std::max(widest, TypePill::forCategory(category).size().width());
        }
        return static_cast<int>(std::ceil(widest));
    }();
    return width;
}

int DiagnosticLogDelegate::messageWidth(int rowWidth) {
    return rowWidth - 2 * horizontalPadding - timeColumnWidth - 2 * columnSpacing -
           pillColumnWidth();
}

DiagnosticLogDelegate::RowLayout DiagnosticLogDelegate::layoutRow(const DiagnosticLogger::Entry& entry,
                                                                  const QRect& row) {
    RowLayout layout;
    const double top = row.top() + verticalPadding;
    layout.pillLeft = row.left() + horizontalPadding + timeColumnWidth + columnSpacing;
    layout.messageLeft = layout.pillLeft + pillColumnWidth() + columnSpacing;
    layout.messageTop = top;
    layout.messageWidth = messageWidth(row.width());
    // The first line's own ascent: a line of Chinese is set in a fallback font
    // that may stand taller than the Latin one.
    const WrappedText message(QString::fromStdString(entry.message), messageFont(),
                              layout.messageWidth);
    layout.messageBaseline = top + (message.layout.lineCount() > 0
                                        ? message.layout.lineAt(0).ascent()
                                        : QFontMetricsF(messageFont()).ascent());
    layout.timeBaseline = layout.messageBaseline;
    return layout;
}

QSize DiagnosticLogDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const int width = view_->viewport()->width();
    if (auto cached = heights_.constFind(index.row());
        cached != heights_.constEnd() && cached->first == width) {
        return {width, cached->second};
    }
    const auto& model = static_cast<const DiagnosticLogModel&>(*index.model());
    const auto& entry = model.entry(index.row());
    const int textWidth = messageWidth(width);
    double text = WrappedText(quillo::displayText(entry.message), messageFont(), textWidth).height;
    const QString context = contextText(entry.context);
    if (!context.isEmpty()) {
        text += messageSpacing + WrappedText(context, contextFont(), textWidth).height;
    }
    const double first = std::max(QFontMetricsF(timeFont()).height(),
                                  TypePill::forCategory(entry.category).size().height());
    const int height = static_cast<int>(std::ceil(std::max(first, text))) + 2 * verticalPadding + 1;
    heights_.insert(index.row(), {width, height});
    return {width, height};
}

void DiagnosticLogDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const auto& model = static_cast<const DiagnosticLogModel&>(*index.model());
    const auto& entry = model.entry(index.row());
    const QRect row = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);
    if (option.state & QStyle::State_Selected) {
        painter->fillRect(row, oklch(0.22, 0.012, 250));
    }

    const RowLayout layout = layoutRow(entry, row);
    const double top = layout.messageTop;
    const double x = layout.messageLeft;
    painter->setFont(timeFont());
    painter->setPen(Theme::fgFaint());
    painter->drawText(QPointF(row.left() + horizontalPadding, layout.timeBaseline),
                      entryTimeText(entry.timestamp));

    const TypePill pill = TypePill::forCategory(entry.category);
    pill.paint(*painter, QPointF(layout.pillLeft, top), entry.severity);

    const int textWidth = layout.messageWidth;
    painter->setPen(messageColor(entry.severity));
    WrappedText message(quillo::displayText(entry.message), messageFont(), textWidth);
    message.layout.draw(painter, QPointF(x, top));
    const QString context = contextText(entry.context);
    if (!context.isEmpty()) {
        painter->setPen(Theme::fgFaint());
        WrappedText(context, contextFont(), textWidth)
            .layout.draw(painter, QPointF(x, top + message.height + messageSpacing));
    }

    painter->fillRect(QRect(row.left(), row.bottom(), row.width(), 1), Theme::lineSoft());
    painter->restore();
}

DiagnosticLogListView::DiagnosticLogListView(QWidget* parent) : QListView(parent) {
    setObjectName(QStringLiteral("logList"));
    setModel(&model_);
    delegate_ = new DiagnosticLogDelegate(this);
    setItemDelegate(delegate_);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(16);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setResizeMode(QListView::Adjust);
    setLayoutMode(QListView::Batched);
    setBatchSize(200);
    setUniformItemSizes(false);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAccessibleName(QCoreApplication::translate("DiagnosticLogView", "诊断日志"));

    auto* copy = new QAction(QCoreApplication::translate("DiagnosticLogView", "复制"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, [this] { copySelection(); });
    addAction(copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void DiagnosticLogListView::setRows(const std::vector<DiagnosticLogger::Entry>* entries,
                                    std::vector<std::size_t> rows) {
    delegate_->forgetHeights();
    model_.setRows(entries, std::move(rows));
}

QString DiagnosticLogListView::selectedText() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList lines;
    for (const QModelIndex& row : rows) {
        lines.append(row.data(Qt::DisplayRole).toString());
    }
    return lines.join(QLatin1Char('\n'));
}

void DiagnosticLogListView::copySelection() const {
    const QString text = selectedText();
    if (!text.isEmpty()) {
        QApplication::clipboard()->setText(text);
    }
}

void DiagnosticLogListView::resizeEvent(QResizeEvent* event) {
    delegate_->forgetHeights();
    QListView::resizeEvent(event);
}

} // namespace quillo
