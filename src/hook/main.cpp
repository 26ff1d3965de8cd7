// QuilloHook: run by Claude Code for every hook event. Records the event and
// its caller as one line of the events file. Prints nothing and always exits 0,
// so it can never change what Claude Code does next.
#include "Recorder.h"

int main() {
    try {
        quillo::Recorder::run();
    } catch (...) {
        // Out of memory on a giant payload, or anything else: the event is lost,
        // but Claude Code must not see a failing hook.
    }
    return 0;
}
