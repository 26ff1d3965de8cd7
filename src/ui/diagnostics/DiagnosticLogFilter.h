// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DiagnosticLogger.h"

#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace quillo {

// The severity filter of the diagnostics window: none shows everything, `error`
// only errors, `warning` warnings and errors, `info` only info entries.
using LogFilter = std::optional<DiagnosticLogger::Severity>;

struct LogFilterOption {
    QString label;
    LogFilter filter;
};

// The picker's options in menu order: 全部, 仅错误, 错误 + 警告, 仅信息.
std::vector<LogFilterOption> logFilterOptions();

bool passes(const DiagnosticLogger::Entry& entry, LogFilter filter);

// The positions of the entries the filter keeps, in their order.
std::vector<std::size_t> filteredRows(const std::vector<DiagnosticLogger::Entry>& entries,
                                      LogFilter filter);
// The entries the filter keeps, in their order.
std::vector<DiagnosticLogger::Entry>
filteredEntries(const std::vector<DiagnosticLogger::Entry>& entries, LogFilter filter);

// "MM-dd HH:mm:ss" in local time.
QString entryTimeText(Timestamp timestamp);

// "key=value" per context item, the pairs sorted as strings and joined by two
// spaces; empty for an empty context.
// A logged text as shown: control characters escaped, so that a line feed or
// a NUL that came with a session id or a path cannot break the row.
QString displayText(std::string_view text);
QString contextText(const DiagnosticLogger::Context& context);

// One entry as a line of plain text, for copying rows out of the list.
QString entryPlainText(const DiagnosticLogger::Entry& entry);

} // namespace quillo
