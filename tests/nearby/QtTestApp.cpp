// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtTestApp.h"

#include <QDeadlineTimer>
#include <QThread>

namespace quillo::test {

QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "quillo-tests";
    static char* argv[] = {name, nullptr};
    [[maybe_unused]] static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return *QCoreApplication::instance();
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    qtApp();
    QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

void spin(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

} // namespace quillo::test
