// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillo {

// The monitor's normal run, after the command-line modes had nothing to do:
// the application object, one monitor per user (a second desktop launch asks
// the running one to show its dashboard and exits 0), then the start-up
// sequence, the event loop and the shutdown. `desktop` adds the interface.
int runQuilloApp(int argc, char** argv, bool desktop);

} // namespace quillo
