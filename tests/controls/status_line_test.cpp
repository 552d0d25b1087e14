#include "controls/status_line.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <memory>

#include "controls/palette_colours.h"
#include "tests/common/dark_palette.h"

namespace dravik {
namespace {

TEST(StatusLine, AProblemStandsOutWithAnIconAndAReadableWarningColourAndGoesAgain) {
    const QPalette light = std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
    for (const QPalette& palette : {light, test::DarkFusionPalette()}) {
        QWidget window;
        window.setPalette(palette);
        QFont font = QApplication::font();
        font.setPixelSize(13);
        font.setStyleStrategy(QFont::NoAntialias);
        window.setFont(font);
        auto* label = new QLabel(&window);
        label->setGeometry(0, 0, 400, 20);
        const QString text = QStringLiteral("Archiwum niedostępne: pełny dysk");
        const QRgb ground = palette.color(QPalette::Window).rgb();

        ShowStatusText(label, text, true);
        EXPECT_EQ(label->text(), text) << "the text stays as given";
        EXPECT_TRUE(StatusShowsProblem(label));
        const QRgb warning = label->palette().color(QPalette::WindowText).rgb();
        EXPECT_EQ(warning, WarningTextColour(palette));
        const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The text's pixels, right of the icon, against the window.
        const int iconEnd = label->contentsMargins().left();
        ASSERT_GT(iconEnd, 0);
        int inked = 0;
        double lowest = 21.0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = iconEnd; x < image.width(); ++x) {
                if (image.pixel(x, y) != ground) {
                    ++inked;
                    lowest = std::min(lowest, ContrastRatio(image.pixel(x, y), ground));
                }
            }
        }
        EXPECT_GT(inked, 20);
        EXPECT_GE(lowest, kMinTextContrast);
        // The icon draws something of its own left of the text.
        bool iconDrawn = false;
        for (int y = 0; y < image.height() && !iconDrawn; ++y) {
            for (int x = 0; x < iconEnd && !iconDrawn; ++x) {
                iconDrawn = image.pixel(x, y) != ground;
            }
        }
        EXPECT_TRUE(iconDrawn);

        ShowStatusText(label, QStringLiteral("Prędkość wiatru słonecznego: 400 km/s"), false);
        EXPECT_FALSE(StatusShowsProblem(label));
        EXPECT_EQ(label->contentsMargins().left(), 0);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), palette.color(QPalette::WindowText));
    }
}

}  // namespace
}  // namespace dravik
