// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogFilter.h"
#include "DiagnosticLogSource.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QStackedWidget;

namespace quillo {

class DiagnosticLogListView;

// The diagnostics window's content: a toolbar (severity filter, the number of
// loaded entries, reload, export, clear), the list of the last day's entries
// or an empty view, and the log's path at the bottom. It loads once when made
// and again on reload; nothing reloads by itself.
class DiagnosticLogView : public QWidget {
    Q_OBJECT

public:
    // Asks where to export to, proposing a file name; none when cancelled.
    using AskDestination =
        std::function<std::optional<QString>(QWidget* parent, const QString& proposedName)>;

    // Logs larger than this are read in the background.
    static constexpr std::uintmax_t backgroundLoadBytes = 256 * 1024;

    // `ask` empty: a save dialog.
    explicit DiagnosticLogView(DiagnosticLogSource source, AskDestination ask = {},
                               QWidget* parent = nullptr);
    ~DiagnosticLogView() override;

    void reload();
    void exportLog();
    void clearLog();

    LogFilter filter() const { return filter_; }
    void setFilter(LogFilter filter);

    const std::vector<DiagnosticLogger::Entry>& entries() const { return entries_; }
    // The rows the filter keeps (a copy).
    std::vector<DiagnosticLogger::Entry> shownEntries() const;
    bool isLoading() const { return loading_; }

    // "quillo-diagnostic-<seconds since 1970>.log"
    static QString proposedExportName(Timestamp at);

signals:
    // A load finished (in the background or not); carries the number of entries.
    void entriesLoaded(int count);

private:
    void setEntries(std::vector<DiagnosticLogger::Entry> entries);
    void showRows();

    DiagnosticLogSource source_;
    AskDestination ask_;
    std::vector<DiagnosticLogger::Entry> entries_;
    std::size_t shownCount_ = 0;
    LogFilter filter_;
    bool loading_ = false;
    // Only the newest load is shown; an older one finishing late is dropped.
    int generation_ = 0;

    QComboBox* filterPicker_;
    QLabel* count_;
    QStackedWidget* pages_;
    DiagnosticLogListView* list_;
};

} // namespace quillo
