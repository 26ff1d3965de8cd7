// SPDX-License-Identifier: GPL-3.0-or-later
#include "WidgetTestApp.h"
#include "app/DesktopShell.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace quillo {
namespace {

// A run from the build folder finds no icon theme with Quillo's icon: the copy
// built into the program must serve every size a desktop asks for, sharp.
TEST(ApplicationIcon, TheBuiltInCopyHasEverySizeFromSixteenToFiveHundredTwelve) {
    test::widgetApp();
    QIcon::setThemeSearchPaths({});
    const QIcon icon = applicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    }
    // Opaque in the middle: the picture, not an empty placeholder.
    const QImage large = icon.pixmap(QSize(256, 256)).toImage();
    EXPECT_EQ(large.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(large.pixel(128, 40)), 255);
}

} // namespace
} // namespace quillo
