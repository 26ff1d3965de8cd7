// SPDX-License-Identifier: GPL-3.0-or-later
// The status icon: what its key counts, which overlay wins, and where the
// overlays land once the bottom-up design is flipped into Qt's coordinates.
#include "UiTestApp.h"
#include "statusbar/IconKey.h"
#include "statusbar/StatusIconBuilder.h"
#include "statusbar/StatusNotifierItem.h"
#include "theme/Theme.h"

#include <QIcon>
#include <QPainter>

#include <gtest/gtest.h>

namespace quillo {
namespace {

ClaudeProcess inState(ProcessState state) {
    ClaudeProcess process;
    process.state = state;
    return process;
}

TEST(IconKey, CountsOnlySessionsWaitingForTheUser) {
    const std::vector<ClaudeProcess> processes{
        inState(ProcessState::waitingInput), inState(ProcessState::waitingPermission),
        inState(ProcessState::active),       inState(ProcessState::completed),
        inState(ProcessState::unknown),
    };
    const IconKey key = IconKey::make(processes, 0, false, true);
    EXPECT_EQ(key.waitingCount, 2);
    EXPECT_FALSE(key.hasConnectedPhone);
    EXPECT_TRUE(key.isDark);
    EXPECT_TRUE(IconKey::make({}, 1, false, false).hasConnectedPhone);
    EXPECT_FALSE(IconKey::make({}, 0, false, false).hasConnectedPhone);
}

TEST(IconKey, WaitingSessionsWinOverBrokenHooksWhichWinOverAPhone) {
    EXPECT_EQ(overlayFor({0, false, false, false}), IconOverlay::none);
    EXPECT_EQ(overlayFor({0, true, false, false}), IconOverlay::connectedDot);
    EXPECT_EQ(overlayFor({0, true, true, false}), IconOverlay::errorDot);
    EXPECT_EQ(overlayFor({3, true, false, false}), IconOverlay::badge);
    EXPECT_EQ(overlayFor({3, true, true, false}), IconOverlay::badgeWithErrorDot);
    // The appearance never changes what is shown, only how.
    EXPECT_EQ(overlayFor({3, true, true, true}), IconOverlay::badgeWithErrorDot);
}

TEST(StatusIconBuilder, BadgeSaysNinePlusAboveNine) {
    test::uiApp();
    EXPECT_EQ(StatusIconBuilder::badgeText(1), "1");
    EXPECT_EQ(StatusIconBuilder::badgeText(9), "9");
    EXPECT_EQ(StatusIconBuilder::badgeText(10), "9+");
    EXPECT_EQ(StatusIconBuilder::badgeText(250), "9+");
}

TEST(StatusIconBuilder, OverlaysSitAtTheTopRightExceptThePhoneDotAtTheBottom) {
    test::uiApp();
    const QSizeF canvas(24, 20);
    EXPECT_EQ(StatusIconBuilder::errorDotRect(canvas), QRectF(16, 1, 7, 7));
    EXPECT_EQ(StatusIconBuilder::connectedDotRect(canvas), QRectF(16, 12, 7, 7));
    // A single digit is narrower than the badge's minimum width of 12.
    const QRectF one = StatusIconBuilder::badgeRect(1, canvas);
    EXPECT_EQ(one, QRectF(11, 1, 12, 11));
    // "9+" grows leftwards from the same right edge.
    const QRectF many = StatusIconBuilder::badgeRect(10, canvas);
    EXPECT_GT(many.width(), 12);
    EXPECT_DOUBLE_EQ(many.right(), 23);
    EXPECT_DOUBLE_EQ(many.top(), 1);
}

// The colour of a pixel of a drawn icon, in logical coordinates.
QColor pixel(const QImage& image, double x, double y) {
    const double scale = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale));
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
           std::abs(a.blue() - b.blue()) < 24 && a.alpha() > 200;
}

TEST(StatusIconBuilder, DrawsEachOverlayWhereItBelongsAtBothScales) {
    test::uiApp();
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        const QImage bare = StatusIconBuilder::drawIcon({0, false, false, true}, scale);
        EXPECT_EQ(bare.size(), QSize(24 * scale, 20 * scale));
        EXPECT_EQ(pixel(bare, 19.5, 15.5).alpha(), 0) << "nothing at the bottom right";

        const QImage phone = StatusIconBuilder::drawIcon({0, true, false, true}, scale);
        EXPECT_TRUE(near(pixel(phone, 19.5, 15.5), Theme::statusActive()));
        EXPECT_FALSE(near(pixel(phone, 19.5, 4.5), Theme::statusPerm()));

        const QImage broken = StatusIconBuilder::drawIcon({0, true, true, true}, scale);
        EXPECT_TRUE(near(pixel(broken, 19.5, 4.5), Theme::statusPerm()));
        EXPECT_FALSE(near(pixel(broken, 19.5, 15.5), Theme::statusActive()))
            << "no phone dot while the hooks are broken";

        const QImage waiting = StatusIconBuilder::drawIcon({2, true, false, true}, scale);
        EXPECT_TRUE(near(pixel(waiting, 13, 6.5), Theme::statusInput()));
        EXPECT_FALSE(near(pixel(waiting, 19.5, 15.5), Theme::statusActive()));
    }
}

TEST(StatusIconBuilder, GlyphIsLightOnADarkBarAndDarkOnALightOne) {
    test::uiApp();
    // The left ring's leftmost stroke.
    const QColor onDark = pixel(StatusIconBuilder::drawIcon({0, false, false, true}, 2), 4.5, 10);
    const QColor onLight = pixel(StatusIconBuilder::drawIcon({0, false, false, false}, 2), 4.5, 10);
    EXPECT_GT(onDark.lightness(), 200);
    EXPECT_LT(onLight.lightness(), 60);
    EXPECT_GT(onLight.alpha(), 100);
}

TEST(StatusIconBuilder, WithoutAKnownSchemeTheGlyphReadsOnLightAndDarkTrays) {
    test::uiApp();
    IconKey unknown{0, false, false, true};
    unknown.isSchemeKnown = false;
    const QImage icon = StatusIconBuilder::drawIcon(unknown, 2);
    // The strongest contrast between a glyph pixel and the tray behind it.
    auto contrast = [&icon](const QColor& tray) {
        QImage over(icon.size(), QImage::Format_ARGB32);
        over.fill(tray);
        QPainter painter(&over);
        painter.drawImage(0, 0, icon);
        painter.end();
        int best = 0;
        for (int y = 0; y < over.height(); ++y) {
            for (int x = 0; x < over.width(); ++x) {
                best =
                    std::max(best, std::abs(over.pixelColor(x, y).lightness() - tray.lightness()));
            }
        }
        return best;
    };
    EXPECT_GT(contrast(QColor(230, 230, 230)), 120) << "a light tray";
    EXPECT_GT(contrast(QColor(32, 32, 32)), 120) << "a dark tray";
}

TEST(StatusIconBuilder, TheIconIsDrawnAtTheSizeTheTrayAsksFor) {
    test::uiApp();
    const QIcon icon = StatusIconBuilder::makeIcon({3, false, false, true});
    EXPECT_TRUE(icon.availableSizes().contains(QSize(48, 40))) << "for scale-2 panels";
    EXPECT_TRUE(icon.availableSizes().contains(QSize(24, 20)));
    // An XEmbed tray's square cell: drawn for it, not a 24 × 20 scaled down.
    const QImage cell = icon.pixmap(QSize(22, 22)).toImage();
    EXPECT_EQ(cell.size(), QSize(22, 22));
    const QImage direct = StatusIconBuilder::drawIcon({3, false, false, true}, QSize(22, 22))
                              .convertToFormat(cell.format());
    EXPECT_EQ(cell, direct);
    EXPECT_EQ(icon.pixmap(QSize(48, 40)).size(), QSize(48, 40));
}

// The D-Bus tray's images: each size drawn at that size (48 × 40 for scale 2
// among them), each pixel as A, R, G, B bytes whatever the machine's order.
TEST(StatusIconBuilder, TheDBusTrayGetsEachSizeDrawnWithPixelsInNetworkOrder) {
    test::uiApp();
    const IconKey key{3, false, false, true};
    const NotifierImages images = notifierImages(StatusIconBuilder::makeIcon(key));
    QList<QSize> sizes;
    for (const NotifierImage& image : images) {
        sizes.push_back(QSize(image.width, image.height));
    }
    EXPECT_EQ(sizes, (QList<QSize>{{16, 16}, {22, 22}, {24, 20}, {32, 32}, {48, 40}}));
    for (const NotifierImage& image : images) {
        const QImage direct = StatusIconBuilder::drawIcon(key, QSize(image.width, image.height))
                                  .convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.pixels.size(), image.width * image.height * 4);
        int opaque = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const QRgb pixel = direct.pixel(x, y);
                const auto* bytes = reinterpret_cast<const uchar*>(image.pixels.constData()) +
                                    (y * image.width + x) * 4;
                ASSERT_EQ(
                    (std::array<int, 4>{bytes[0], bytes[1], bytes[2], bytes[3]}),
                    (std::array<int, 4>{qAlpha(pixel), qRed(pixel), qGreen(pixel), qBlue(pixel)}))
                    << image.width << "x" << image.height << " at " << x << "," << y;
                opaque += qAlpha(pixel) == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 0) << "nothing drawn at " << image.width << "x" << image.height;
    }
}

} // namespace
} // namespace quillo
