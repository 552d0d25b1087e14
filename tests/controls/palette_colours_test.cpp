#include "controls/palette_colours.h"

#include <gtest/gtest.h>
#include <QPalette>

#include "tests/common/dark_palette.h"

namespace dravik {
namespace {

TEST(PaletteColours, ContrastRatioOfKnownPairs) {
    struct Case {
        QRgb a, b;
        double ratio;
    };
    const Case cases[] = {
        {qRgb(0, 0, 0), qRgb(255, 255, 255), 21.0},
        {qRgb(255, 255, 255), qRgb(0, 0, 0), 21.0},
        {qRgb(120, 120, 120), qRgb(120, 120, 120), 1.0},
        {qRgb(119, 119, 119), qRgb(255, 255, 255), 4.48},  // the grey that just fails on white
        {qRgb(0, 0, 255), qRgb(255, 255, 255), 8.59},
        {qRgb(255, 0, 0), qRgb(255, 255, 255), 4.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01) << qRed(c.a) << "," << qGreen(c.a) << "," << qBlue(c.a);
    }
}

TEST(PaletteColours, WithContrastKeepsWhatReadsAndMovesTheRestAwayFromTheBackground) {
    struct Case {
        const char* name;
        QRgb colour, background;
        double ratio;
        bool unchanged;
    };
    const Case cases[] = {
        {"black on white", qRgb(0, 0, 0), qRgb(255, 255, 255), 4.5, true},
        {"magenta on light grey", qRgb(255, 0, 255), qRgb(239, 239, 239), 4.5, false},
        {"dark grey text on a dark button", qRgb(70, 70, 70), qRgb(53, 53, 53), 4.5, false},
        {"blue link on dark grey", qRgb(0, 0, 255), qRgb(53, 53, 53), 4.5, false},
        {"red on white, a frame", qRgb(220, 30, 30), qRgb(255, 255, 255), 3.0, true},
    };
    for (const Case& c : cases) {
        const QRgb result = WithContrast(c.colour, c.background, c.ratio);
        EXPECT_GE(ContrastRatio(result, c.background), c.ratio) << c.name;
        EXPECT_EQ(result == c.colour, c.unchanged) << c.name;
        if (!c.unchanged) {
            // No further than needed: a tenth of the way back towards the colour falls short again.
            EXPECT_LT(ContrastRatio(MixColours(result, c.colour, 0.1), c.background), c.ratio) << c.name;
        }
    }
    // Where nothing reaches the ratio, the better of black and white.
    EXPECT_EQ(WithContrast(qRgb(118, 118, 118), qRgb(118, 118, 118), 7.0), qRgb(0, 0, 0));
}

TEST(PaletteColours, WarningsAndMarkedFieldsReadOnLightAndDarkPalettes) {
    QPalette light;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    for (const QPalette& palette : {light, test::DarkFusionPalette()}) {
        const QRgb window = palette.color(QPalette::Window).rgb();
        const QRgb warning = WarningTextColour(palette);
        EXPECT_GE(ContrastRatio(warning, window), kMinTextContrast);
        EXPECT_GT(qRed(warning), qGreen(warning) + 40) << "still red";
        const MarkedFieldLook look = MarkedFieldColours(palette);
        EXPECT_GE(ContrastRatio(look.text, look.background), kMinTextContrast);
        EXPECT_GE(ContrastRatio(look.border, window), kMinMarkContrast);
        EXPECT_NE(look.background, palette.color(QPalette::Base).rgb()) << "marked fields stand out";
        EXPECT_GT(qRed(look.background), qBlue(look.background)) << "tinted red";
    }
    // Dark theme: no pale pink field with white text on it.
    const MarkedFieldLook dark = MarkedFieldColours(test::DarkFusionPalette());
    EXPECT_LT(RelativeLuminance(dark.background), 0.2);
}

}  // namespace
}  // namespace dravik
