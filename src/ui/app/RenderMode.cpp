// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderMode.h"

#include "RenderRegistry.h"
#include "app/Translations.h"
#include "theme/Palette.h"
#include "theme/Symbols.h"

#include <QApplication>

#include <ostream>

namespace quillo {

namespace {

QtMessageHandler qtHandler = nullptr;

// Rendering answers with the PNG or with its own error: Qt's notes about the
// environment (no XDG_RUNTIME_DIR, what the offscreen platform cannot do) are
// no news to whoever asked for a picture. Criticals and fatals still show.
void onlySeriousMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        qtHandler(type, context, text);
    }
}

} // namespace

int runRenderMode(const RenderOptions& options, int argc, char** argv, std::ostream& out,
                  std::ostream& err) {
    const RenderRegistry registry = builtInRenderViews();
    const QString name = QString::fromStdString(options.name);
    if (name == QLatin1String("list")) {
        for (const QString& view : registry.names()) {
            out << view.toStdString() << "\n";
        }
        return 0;
    }
    if (!registry.contains(name)) {
        err << "QuilloMac: no view named \"" << options.name
            << "\"; `QuilloMac --render list` names them\n";
        return 2;
    }

    // Rendering never needs a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(onlySeriousMessages);
    QApplication app(argc, argv);
    applyDarkPalette(app);
    Symbols::loadFont();
    const auto language = options.language == "en" ? DisplayLanguage::en : DisplayLanguage::zh;
    if (!Translations::install(language)) {
        err << "QuilloMac: the English translation is missing from this build\n";
        return 1;
    }

    auto view = registry.make(name);
    const QImage image = renderToImage(*view->widget, options.scale);
    if (!image.save(QString::fromStdString(options.file), "PNG")) {
        err << "QuilloMac: cannot write " << options.file << "\n";
        return 1;
    }
    return 0;
}

} // namespace quillo
