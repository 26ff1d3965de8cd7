// SPDX-License-Identifier: GPL-3.0-or-later
#include "UiTestApp.h"

#include <QDeadlineTimer>
#include <QThread>

namespace quillo::test {

QApplication& uiApp() {
    static int argc = 1;
    static char name[] = "quillo-ui-tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        new QApplication(argc, argv);
    }
    return *qobject_cast<QApplication*>(QCoreApplication::instance());
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    uiApp();
    QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

} // namespace quillo::test

// Fontconfig keeps a few allocations of its configuration for the life of the
// process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
