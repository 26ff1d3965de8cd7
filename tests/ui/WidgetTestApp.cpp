// SPDX-License-Identifier: GPL-3.0-or-later
#include "WidgetTestApp.h"

#include "theme/Palette.h"
#include "theme/Symbols.h"

// Fontconfig keeps caches for the life of the process, and the application
// object lives until exit; what it holds then is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace quillo::test {

QApplication& widgetApp() {
    static int argc = 1;
    static char name[] = "quillo-ui-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* created = new QApplication(argc, argv);
        applyDarkPalette(*created);
        Symbols::loadFont();
        return created;
    }();
    return *app;
}

} // namespace quillo::test
