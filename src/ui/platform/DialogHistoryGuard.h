// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillo {

// Qt's own file dialog records its folder history in the user's settings
// (~/.config/QtProject.conf) when it closes. Quillo asks for a file seldom and
// wants to leave nothing of Qt's behind: while a guard lives, a dialog may
// write there; when it ends, the file is as it was before (absent again, or
// with its earlier text).
class DialogHistoryGuard {
public:
    DialogHistoryGuard();
    ~DialogHistoryGuard();
    DialogHistoryGuard(const DialogHistoryGuard&) = delete;
    DialogHistoryGuard& operator=(const DialogHistoryGuard&) = delete;

    // Where the file dialog keeps its history.
    static QString historyFile();

private:
    QString file_;
    std::optional<QByteArray> before_;
};

} // namespace quillo
