// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutTestSupport.h"

#include <QApplication>

namespace quillo::test {

void widgetApp() {
    if (QCoreApplication::instance()) {
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "shortcuts-tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

} // namespace quillo::test
