// SPDX-License-Identifier: GPL-3.0-or-later
// The pairing QR code: what a phone camera reads from the drawn view is the
// pairing address, and text that no code can hold is shown as text.
#include "ChildProcess.h"
#include "TempDir.h"
#include "WidgetTestApp.h"
#include "pairing/QrCodeView.h"
#include "transport/PairingAddress.h"

#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace quillo {
namespace {

// Reads the codes in a picture with zbar, as a phone would; nothing when
// zbarimg finds none.
std::optional<std::string> decode(const QImage& image, const test::TempDir& dir) {
    const std::string path = (dir / "code.png").string();
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    ChildProcess::Options options;
    options.timeLimit = std::chrono::seconds(20);
    auto result = ChildProcess::run({"zbarimg", "--raw", "-q", path}, options);
    if (!result.succeeded()) {
        return std::nullopt;
    }
    std::string text = result.standardOutput;
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

TEST(PairingCode, DrawnViewReadsBackAsThePairingAddress) {
    test::widgetApp();
    if (QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty()) {
        GTEST_SKIP() << "zbarimg (package zbar-tools) is not installed";
    }
    const PairingAddress address{"192.168.178.34", 47810,
                                 "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef",
                                 "Ada 的电脑 & Co"};
    const std::string text = address.toString();

    QrCodeView view;
    view.setText(QString::fromStdString(text));
    ASSERT_TRUE(view.showsCode());
    view.resize(view.sizeHint());
    test::TempDir dir;
    // At its own size, and at the size of a high-density screen.
    for (qreal scale : {1.0, 2.0}) {
        QImage image(view.size() * scale, QImage::Format_ARGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::black); // the dark window behind the panel
        view.render(&image);
        auto read = decode(image, dir);
        ASSERT_TRUE(read) << "no code read at scale " << scale;
        EXPECT_EQ(*read, text);
        EXPECT_EQ(PairingAddress::parse(*read), address);
    }
}

TEST(PairingCode, TextNoCodeCanHoldIsShownAsText) {
    test::widgetApp();
    QrCodeView view;
    const QString tooLong(3000, QLatin1Char('x')); // a code holds at most 2331 bytes at level M
    view.setText(tooLong);
    EXPECT_FALSE(view.showsCode());
    EXPECT_EQ(view.accessibleName(), tooLong);

    view.setText(QStringLiteral("quillo://pair?host=h"));
    EXPECT_TRUE(view.showsCode());
    view.setText(QString());
    EXPECT_FALSE(view.showsCode());
}

} // namespace
} // namespace quillo
