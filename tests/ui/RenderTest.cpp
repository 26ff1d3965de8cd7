// SPDX-License-Identifier: GPL-3.0-or-later
// Every view can be drawn to an image, by the library and by `QuilloMac
// --render`; the command line refuses what it does not know.
#include "ChildProcess.h"
#include "TempDir.h"
#include "WidgetTestApp.h"
#include "app/RenderRegistry.h"
#include "settings/SettingsRow.h"
#include "theme/DotIndicator.h"
#include "theme/StatusPill.h"
#include "theme/Theme.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace quillo {
namespace {

namespace fs = std::filesystem;

TEST(Render, EveryViewDrawsAtItsOwnSizeAndTwiceAsLargeAtScaleTwo) {
    test::widgetApp();
    const RenderRegistry registry = builtInRenderViews();
    ASSERT_TRUE(registry.names().contains("components"));
    ASSERT_TRUE(registry.names().contains("settings"));
    for (const QString& name : registry.names()) {
        SCOPED_TRACE(name.toStdString());
        auto view = registry.make(name);
        ASSERT_TRUE(view);
        const QImage once = renderToImage(*view->widget, 1);
        ASSERT_FALSE(once.isNull());
        EXPECT_GT(once.width(), 100);
        EXPECT_GT(once.height(), 50);
        const QImage twice = renderToImage(*view->widget, 2);
        EXPECT_EQ(twice.size(), once.size() * 2);

        // Rows, buttons and status texts can be read by a screen reader.
        for (auto* widget : view->widget->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<SettingsRow*>(widget) ||
                qobject_cast<StatusPill*>(widget) || qobject_cast<DotIndicator*>(widget)) {
                EXPECT_FALSE(widget->accessibleName().isEmpty())
                    << widget->metaObject()->className();
            }
        }

        // No text in the view falls back to boxes: every character has a glyph.
        for (auto* label : view->widget->findChildren<QLabel*>()) {
            const QFontMetricsF metrics(label->font());
            for (char32_t c : label->text().toUcs4()) {
                if (c > ' ') {
                    EXPECT_TRUE(metrics.inFontUcs4(c))
                        << "U+" << std::hex << static_cast<unsigned>(c) << " in "
                        << label->text().toStdString();
                }
            }
        }
    }
    EXPECT_FALSE(registry.make("no-such-view"));
}

TEST(Render, SettingsWindowIsSidebarBesideTheDetailColumn) {
    test::widgetApp();
    auto view = builtInRenderViews().make("settings");
    const QImage image = renderToImage(*view->widget, 1);
    EXPECT_EQ(image.size(), QSize(720, 560));
    // Below the last category the sidebar shows its own background.
    EXPECT_EQ(image.pixelColor(90, 540).rgb(), Theme::bgBase().rgb());
    EXPECT_NE(image.pixelColor(400, 540).rgb(), Theme::bgBase().rgb());
}

struct RenderCommand : ::testing::Test {
    test::TempDir dir;

    ChildProcess::Result run(std::vector<std::string> arguments,
                             std::vector<std::string> environment = {}) {
        arguments.insert(arguments.begin(), QUILLO_MAC_BINARY);
        environment.insert(environment.end(), {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
        return ChildProcess::run(arguments, {.timeLimit = std::chrono::seconds(60),
                                             .captureStandardError = true,
                                             .extraEnvironment = environment});
    }
};

TEST_F(RenderCommand, ListsTheViewsAndWritesThemWithoutADisplay) {
    auto list = run({"--render", "list"});
    ASSERT_TRUE(list.succeeded()) << list.standardError;
    EXPECT_EQ(list.standardOutput.substr(0, 11), "components\n");
    EXPECT_NE(list.standardOutput.find("\nsettings-hookConfig\n"), std::string::npos);

    const fs::path file = dir.path() / "components.png";
    auto drawn = run({"--render", "components", file.string(), "--scale", "2", "--lang", "en"});
    ASSERT_TRUE(drawn.succeeded()) << drawn.standardError;
    QImage image(QString::fromStdString(file.string()));
    EXPECT_EQ(image.width(), 1440);

    // A window, where nothing says where runtime files go: only the picture,
    // no notes from Qt.
    const fs::path window = dir.path() / "settings.png";
    auto quiet = run({"--render", "settings", window.string()}, {"XDG_RUNTIME_DIR="});
    ASSERT_TRUE(quiet.succeeded()) << quiet.standardError;
    EXPECT_EQ(quiet.standardError, "");
    EXPECT_EQ(quiet.standardOutput, "");
}

TEST_F(RenderCommand, RefusesUnknownViewsFlagsAndArgumentsWithExitTwo) {
    const std::string file = (dir.path() / "x.png").string();
    for (auto arguments : {std::vector<std::string>{"--render", "nope", file},
                           {"--render", "components"},
                           {"--render", "components", file, "--scale", "3"},
                           {"--bogus"},
                           {"--debug-tree", "abc"}}) {
        auto result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.front() << " " << arguments.back();
        EXPECT_NE(result.standardError.find("QuilloMac: "), std::string::npos);
        EXPECT_TRUE(result.standardOutput.empty()) << result.standardOutput;
    }
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(RenderCommand, WithoutADisplayOrWithoutXWaylandTheMonitorSaysSoAndRunsHeadless) {
    struct Case {
        std::vector<std::string> session;
        std::string says;
    };
    for (const Case& session :
         {Case{{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}, "[quillo] no display"},
          // A Wayland session whose compositor runs no XWayland.
          Case{{"DISPLAY=", "WAYLAND_DISPLAY=wayland-quillo-none", "QT_QPA_PLATFORM=wayland"},
               "needs XWayland"}}) {
        test::TempHome home;
        auto environment = home.environment();
        environment.insert(environment.end(), session.session.begin(), session.session.end());
        environment.push_back("QUILLO_TRANSPORT_PORT=0");
        auto result = ChildProcess::run({QUILLO_MAC_BINARY}, {.timeLimit = std::chrono::seconds(6),
                                                              .captureStandardError = true,
                                                              .extraEnvironment = environment});
        EXPECT_TRUE(result.timedOut) << session.says << ": " << result.standardError;
        EXPECT_NE(result.standardOutput.find(session.says), std::string::npos)
            << result.standardOutput;
        EXPECT_NE(result.standardOutput.find("[quillo] watching "), std::string::npos);
    }
}

} // namespace
} // namespace quillo
