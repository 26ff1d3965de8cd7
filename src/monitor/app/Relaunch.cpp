// SPDX-License-Identifier: GPL-3.0-or-later
#include "Relaunch.h"

#include "SingleInstance.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QProcess>

namespace quillo {

bool relaunch(SingleInstance* instance, Relaunch how) {
    if (instance) {
        instance->release();
    }
    const QString program =
        how.program.isEmpty() ? QCoreApplication::applicationFilePath() : how.program;
    const bool started = QProcess::startDetached(program, how.arguments);
    if (how.quit) {
        how.quit();
    } else if (auto* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    return started;
}

} // namespace quillo
