// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogger.h"

#include <QAbstractListModel>
#include <QHash>
#include <QListView>
#include <QStyledItemDelegate>

#include <vector>

namespace quillo {

// The rows of the diagnostics window. A day of logging can be tens of
// thousands of entries, so rows are painted by a delegate rather than built
// from widgets, and laid out in batches.
class DiagnosticLogModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // Shows `rows` of `entries`, which the caller keeps unchanged until the
    // next call (none: no rows).
    void setRows(const std::vector<DiagnosticLogger::Entry>* entries,
                 std::vector<std::size_t> rows);
    const DiagnosticLogger::Entry& entry(int row) const {
        return (*entries_)[rows_[static_cast<std::size_t>(row)]];
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    // The display role is the row as one line of plain text.
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const std::vector<DiagnosticLogger::Entry>* entries_ = nullptr;
    std::vector<std::size_t> rows_;
};

// One row: the time in a 110-point column, the type pill, then the message
// coloured by severity over the sorted context pairs; a hairline below.
class DiagnosticLogDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit DiagnosticLogDelegate(QListView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Row heights depend on the width; they are kept until the rows change.
    void forgetHeights() { heights_.clear(); }

    static QColor messageColor(DiagnosticLogger::Severity severity);

    // Where a row's parts go in `row`: the time shares the message's first
    // baseline, and every message starts at the same x whatever its pill.
    struct RowLayout {
        double timeBaseline = 0;
        double pillLeft = 0;
        double messageLeft = 0;
        double messageTop = 0;
        double messageBaseline = 0;
        int messageWidth = 0;
    };
    static RowLayout layoutRow(const DiagnosticLogger::Entry& entry, const QRect& row);

private:
    static int messageWidth(int rowWidth);

    QListView* view_;
    mutable QHash<int, QPair<int, int>> heights_; // row → (width, height)
};

// The list itself: rows can be selected and copied as text (Ctrl+C or the
// context menu), since painted rows cannot be selected like labels.
class DiagnosticLogListView : public QListView {
    Q_OBJECT

public:
    explicit DiagnosticLogListView(QWidget* parent = nullptr);

    // As DiagnosticLogModel::setRows.
    void setRows(const std::vector<DiagnosticLogger::Entry>* entries,
                 std::vector<std::size_t> rows);
    DiagnosticLogModel& logModel() { return model_; }

    // The selected rows as plain text, one line each, in list order.
    QString selectedText() const;
    void copySelection() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    DiagnosticLogModel model_;
    DiagnosticLogDelegate* delegate_;
};

} // namespace quillo
