// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace quillo {

class SingleInstance;

// Starts a new monitor and ends this one, to apply a new language or after the
// settings were reset. The one-instance lock and socket are let go first, so
// the new process is not told that a monitor already runs. A new process that
// cannot be started is not waited for: this one quits all the same.
struct Relaunch {
    QString program; // empty: this program
    QStringList arguments;
    std::function<void()> quit; // empty: quit the application (queued)
};

// False when the new process could not be started.
bool relaunch(SingleInstance* instance, Relaunch how = {});

} // namespace quillo
