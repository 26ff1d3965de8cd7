// SPDX-License-Identifier: GPL-3.0-or-later
// The palette's colour conversion and the shared components.
#include "theme/Theme.h"
#include "WidgetTestApp.h"
#include "theme/DotIndicator.h"
#include "theme/DottedDivider.h"
#include "theme/FrameClock.h"
#include "theme/Fonts.h"
#include "theme/Oklch.h"
#include "theme/StatusPill.h"
#include "theme/Symbols.h"
#include "platform/SettingsStore.h"
#include "settings/GeneralDetail.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QImage>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace quillo {
namespace {

void expectSrgb(const SrgbColor& c, double r, double g, double b, const char* what) {
    EXPECT_NEAR(c.red, r, 0.002) << what;
    EXPECT_NEAR(c.green, g, 0.002) << what;
    EXPECT_NEAR(c.blue, b, 0.002) << what;
}

TEST(Oklch, MatchesPublishedConversionsOfTheSrgbPrimaries) {
    expectSrgb(oklchToSrgb(0.627955, 0.257683, 29.2339), 1, 0, 0, "red");
    expectSrgb(oklchToSrgb(0.866440, 0.294827, 142.4953), 0, 1, 0, "green");
    expectSrgb(oklchToSrgb(0.452014, 0.313214, 264.052), 0, 0, 1, "blue");
    expectSrgb(oklchToSrgb(1, 0, 0), 1, 1, 1, "white");
    expectSrgb(oklchToSrgb(0, 0, 123), 0, 0, 0, "black");
    // Dark enough for the linear part of the sRGB curve.
    expectSrgb(oklchToSrgb(0.13, 0.008, 250), 5.42 / 255, 7.52 / 255, 10.21 / 255, "bgDeepest");
}

TEST(Oklch, PrimaryTextIsNearWhiteWithABlueCastAndAlphaPassesThrough) {
    const SrgbColor fg = oklchToSrgb(0.96, 0.005, 250, 1);
    EXPECT_GT(fg.red, 0.9);
    EXPECT_LT(fg.red, fg.green);
    EXPECT_LT(fg.green, fg.blue);
    EXPECT_DOUBLE_EQ(oklchToSrgb(0.3, 0.012, 250, 0.5).alpha, 0.5);
    EXPECT_NEAR(Theme::lineSoft().alphaF(), 0.5, 0.01);
}

TEST(Oklch, ChannelsOutsideTheGamutAreClampedNotWrapped) {
    // Far too saturated a red: linear red is about 1.89, green and blue negative.
    // Clamped, 1 and 0 come out (up to rounding); wrapped or unclamped, they
    // would not.
    const SrgbColor red = oklchToSrgb(0.7, 0.4, 25);
    EXPECT_NEAR(red.red, 1.0, 1e-12);
    EXPECT_EQ(red.green, 0.0);
    EXPECT_EQ(red.blue, 0.0);
    const SrgbColor green = oklchToSrgb(0.9, 0.4, 145);
    EXPECT_EQ(green.red, 0.0);
    EXPECT_NEAR(green.green, 1.0, 1e-12);
    EXPECT_EQ(green.blue, 0.0);
}

TEST(DotIndicator, OnlyLiveStatesBreatheAndAHiddenDotStops) {
    test::widgetApp();
    for (ProcessState state : {ProcessState::completed, ProcessState::unknown}) {
        DotIndicator dot(state);
        dot.show();
        EXPECT_FALSE(dot.isAnimating());
        EXPECT_TRUE(dot.animation().isStatic);
        EXPECT_EQ(dot.animation().glow.alpha(), 0);
        EXPECT_EQ(dot.animation().glowRadius, 0);
    }
    DotIndicator dot(ProcessState::waitingPermission);
    EXPECT_FALSE(dot.isAnimating()) << "nothing pulses before it is shown";
    dot.show();
    EXPECT_TRUE(dot.isAnimating());
    EXPECT_EQ(dot.animation().glowRadius, 7);
    // The pulse moves the phase and turns round at the end instead of stopping.
    const double start = dot.phase();
    QTest::qWait(static_cast<int>(dot.animation().duration * 1000 * 1.5));
    EXPECT_TRUE(dot.isAnimating());
    EXPECT_NE(dot.phase(), start);

    dot.setState(ProcessState::completed);
    EXPECT_FALSE(dot.isAnimating());
    dot.setState(ProcessState::active);
    EXPECT_TRUE(dot.isAnimating());
    dot.hide();
    EXPECT_FALSE(dot.isAnimating());
}

TEST(DotIndicator, TheDotsOfAWindowBreatheOnItsClockAndRepaintOncePerFrame) {
    test::widgetApp();
    QWidget window;
    window.resize(120, 40);
    std::vector<DotIndicator*> dots;
    for (int i = 0; i < 3; ++i) {
        dots.push_back(new DotIndicator(ProcessState::waitingPermission, 8, &window));
        dots.back()->move(i * 40, 0);
    }
    struct Paints : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int count = 0;
    } windowPaints;
    window.installEventFilter(&windowPaints);
    window.show();
    FrameClock& clock = FrameClock::of(&window);
    for (DotIndicator* dot : dots) {
        EXPECT_TRUE(clock.isAttached(dot));
    }
    const int framesBefore = clock.frames();
    const int paintsBefore = windowPaints.count;
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock.frames() >= framesBefore + 10; }, 10000));
    QCoreApplication::processEvents();
    // Three dots, one repaint of the window per frame (the dots are
    // translucent: the window paints under them).
    EXPECT_LE(windowPaints.count - paintsBefore, clock.frames() - framesBefore + 1);

    // Out of view, a dot leaves the clock; the clock stops with its last dot.
    dots[0]->setOnScreen(false);
    EXPECT_FALSE(dots[0]->isAnimating());
    dots[0]->setOnScreen(true);
    EXPECT_TRUE(dots[0]->isAnimating());
    window.hide();
    for (DotIndicator* dot : dots) {
        EXPECT_FALSE(clock.isAttached(dot));
    }
    const int stoppedAt = clock.frames();
    QTest::qWait(100);
    EXPECT_EQ(clock.frames(), stoppedAt) << "no frames without animations";
}

TEST(DotIndicator, LeavesRoomForTheGlowAtTheLargestScale) {
    test::widgetApp();
    DotIndicator permission(ProcessState::waitingPermission, 8);
    // 8 × 1.18 plus a glow of 7 on each side.
    EXPECT_GE(permission.width(), 8 * 1.18 + 2 * 7);
    DotIndicator completed(ProcessState::completed, 8);
    EXPECT_EQ(completed.width(), 8);
}

TEST(DottedDivider, DotsEveryFourPointsUpToTheWidth) {
    EXPECT_EQ(DottedDivider::dotPositions(0), std::vector<int>{0});
    EXPECT_EQ(DottedDivider::dotPositions(3), std::vector<int>{0});
    EXPECT_EQ(DottedDivider::dotPositions(8), (std::vector<int>{0, 4, 8}));
    EXPECT_EQ(DottedDivider::dotPositions(11), (std::vector<int>{0, 4, 8}));
}

TEST(StatusPill, SizeFollowsTextAndDotAndTheTextIsItsAccessibleName) {
    test::widgetApp();
    StatusPill plain(QStringLiteral("已连接"), StatusPill::Style::online, false);
    StatusPill dotted(QStringLiteral("已连接"), StatusPill::Style::online, true);
    EXPECT_GT(dotted.sizeHint().width(), plain.sizeHint().width() + 6);
    StatusPill longer(QStringLiteral("已连接 · 两台手机"), StatusPill::Style::online, true);
    EXPECT_GT(longer.sizeHint().width(), dotted.sizeHint().width());
    EXPECT_EQ(dotted.accessibleName(), QStringLiteral("已连接"));
    longer.setText(QStringLiteral("未连接"));
    EXPECT_EQ(longer.accessibleName(), QStringLiteral("未连接"));
    EXPECT_EQ(longer.sizeHint().width(), dotted.sizeHint().width());
    // Each style has its own text colour.
    EXPECT_NE(StatusPill::colorsFor(StatusPill::Style::danger).text,
              StatusPill::colorsFor(StatusPill::Style::warning).text);
}

TEST(Fonts, DesignPointsAreLogicalPixelsAndTheFixedFontIsFixed) {
    test::widgetApp();
    ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 96);
    EXPECT_EQ(QFontInfo(Fonts::ui(13)).pixelSize(), 13);
    EXPECT_TRUE(QFontInfo(Fonts::monospaced(12)).fixedPitch())
        << QFontInfo(Fonts::monospaced(12)).family().toStdString();
    // Chinese is drawn with the Simplified Chinese face, not the Japanese one.
    EXPECT_TRUE(Fonts::ui(12).families().contains(QStringLiteral("Noto Sans CJK SC")));
}

TEST(Symbols, EveryNameHasAGlyphThatTheIconFontReallyHas) {
    test::widgetApp();
    ASSERT_TRUE(Symbols::fontAvailable()) << "the Material Icons font is not installed";
    const QFontMetricsF metrics(Symbols::font(16));
    for (const auto& symbol : Symbols::all()) {
        EXPECT_TRUE(metrics.inFontUcs4(symbol.codepoint)) << symbol.name;
        EXPECT_FALSE(symbol.fallbackText.empty()) << symbol.name;
        EXPECT_EQ(Symbols::text(symbol.name).size(), 1) << symbol.name;
    }
    EXPECT_TRUE(Symbols::text("no.such.symbol").isEmpty());
}

double relativeLuminance(QColor color) {
    auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(QColor a, QColor b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The pixels of `widget`, drawn on `background`, that stand out from it at
// least 3:1.
int pixelsStandingOut(QWidget* widget, QColor background) {
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(background);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += contrast(image.pixelColor(x, y), background) >= 3.0 ? 1 : 0;
        }
    }
    return count;
}

// The general pane's switches, with the application's palette.
TEST(Switch, AnOffSwitchStandsOutFromTheCardAndAClickAnywhereOnItSwitches) {
    test::widgetApp();
    MemorySettingsStore settings;
    SettingsServices services;
    services.settings = &settings;
    auto pane = std::make_unique<GeneralDetail>(services);
    pane->show();
    QCheckBox* atMouse = pane->shortcutAtMouseSwitch();
    ASSERT_FALSE(atMouse->isChecked());
    const QColor card = oklch(0.21, 0.011, 250); // the lighter top of the card
    // The knob (a disc some 14 points wide) at least, not just a hairline.
    EXPECT_GE(pixelsStandingOut(atMouse, card), 100);

    QTest::mouseClick(atMouse, Qt::LeftButton, {}, QPoint(atMouse->width() - 3, 3));
    EXPECT_TRUE(atMouse->isChecked());
    EXPECT_TRUE(settings.boolean("quillo.shortcutOpensAtMouse"));
    EXPECT_GE(pixelsStandingOut(atMouse, card), 100);
}

} // namespace
} // namespace quillo
