// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillo {

// Makes SIGINT, SIGTERM and SIGHUP end the running QCoreApplication through its
// normal quit path, so shutdown steps connected to aboutToQuit still run.
// Call once, after the application object exists.
void quitOnTerminationSignals();

} // namespace quillo
