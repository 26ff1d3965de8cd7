// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogHistoryGuard.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>

namespace quillo {

QString DialogHistoryGuard::historyFile() {
    // The same place the dialog opens (reading a name creates nothing).
    return QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName();
}

DialogHistoryGuard::DialogHistoryGuard() : file_(historyFile()) {
    QFile file(file_);
    if (file.open(QIODevice::ReadOnly)) {
        before_ = file.readAll();
    }
}

DialogHistoryGuard::~DialogHistoryGuard() {
    if (!before_) {
        QFile::remove(file_);
        return;
    }
    QFile current(file_);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == *before_) {
        return;
    }
    current.close();
    QSaveFile restored(file_);
    if (restored.open(QIODevice::WriteOnly)) {
        restored.write(*before_);
        restored.commit();
    }
}

} // namespace quillo
