// SPDX-License-Identifier: GPL-3.0-or-later
#include "DiagnosticLogFilter.h"

#include "TypePill.h"
#include "Utf8.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quillo {

using DiagnosticLogger::Severity;

std::vector<LogFilterOption> logFilterOptions() {
    return {
        {QCoreApplication::translate("DiagnosticLogView", "全部"), std::nullopt},
        {QCoreApplication::translate("DiagnosticLogView", "仅错误"), Severity::error},
        {QCoreApplication::translate("DiagnosticLogView", "错误 + 警告"), Severity::warning},
        {QCoreApplication::translate("DiagnosticLogView", "仅信息"), Severity::info},
    };
}

bool passes(const DiagnosticLogger::Entry& entry, LogFilter filter) {
    if (!filter) {
        return true;
    }
    switch (*filter) {
    case Severity::error:
        return entry.severity == Severity::error;
    case Severity::warning:
        return entry.severity == Severity::warning || entry.severity == Severity::error;
    case Severity::info:
        return entry.severity == Severity::info;
    }
    return true;
}

std::vector<std::size_t> filteredRows(const std::vector<DiagnosticLogger::Entry>& entries,
                                      LogFilter filter) {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (passes(entries[i], filter)) {
            rows.push_back(i);
        }
    }
    return rows;
}

std::vector<DiagnosticLogger::Entry>
filteredEntries(const std::vector<DiagnosticLogger::Entry>& entries, LogFilter filter) {
    std::vector<DiagnosticLogger::Entry> kept;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(kept),
                 [filter](const DiagnosticLogger::Entry& entry) { return passes(entry, filter); });
    return kept;
}

QString entryTimeText(Timestamp timestamp) {
    const auto milliseconds = static_cast<qint64>(std::floor(secondsSince1970(timestamp) * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(milliseconds)
        .toLocalTime()
        .toString(QStringLiteral("MM-dd HH:mm:ss"));
}

QString displayText(std::string_view text) {
    return QString::fromStdString(escapingControlCharacters(text));
}

QString contextText(const DiagnosticLogger::Context& context) {
    QStringList pairs;
    for (const auto& [key, value] : context) {
        pairs.append(displayText(key) + QLatin1Char('=') + displayText(value));
    }
    pairs.sort();
    return pairs.join(QStringLiteral("  "));
}

QString entryPlainText(const DiagnosticLogger::Entry& entry) {
    QString line = entryTimeText(entry.timestamp) + QLatin1Char(' ') +
                   TypePill::forCategory(entry.category).label + QLatin1Char(' ') +
                   displayText(entry.message);
    const QString context = contextText(entry.context);
    if (!context.isEmpty()) {
        line += QStringLiteral("  ") + context;
    }
    return line;
}

} // namespace quillo
