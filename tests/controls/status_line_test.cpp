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

// A line longer than the window is cut with an ellipsis where it is drawn, never in mid-letter at the edge, and
// the whole of it stays in reach: the label's text, its tooltip and what a screen reader is told.
TEST(StatusLine, ALongLineIsDrawnCutWithAnEllipsisAndSaidWholeElsewhere) {
    const QString whole = QStringLiteral(
        "Źródło niedostępne: www.seismicportal.eu (Nie można połączyć się z serwerem) | Źródło niedostępne: "
        "earthquake.usgs.gov (HTTP 503) | Prędkość wiatru słonecznego: 412.3 km/s, gęstość: 5.1 protonów/cm³");
    for (const bool problem : {false, true}) {
        QWidget window;
        QFont font = QApplication::font();
        font.setPixelSize(13);
        font.setStyleStrategy(QFont::NoAntialias);
        window.setFont(font);
        auto* label = new QLabel(&window);
        label->setGeometry(0, 0, 300, 20);
        ShowStatusText(label, whole, problem);
        EXPECT_EQ(label->text(), whole);
        EXPECT_EQ(label->toolTip(), whole);
        EXPECT_EQ(label->accessibleDescription(), whole);
        const QString shown = StatusShownText(label);
        ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
        EXPECT_TRUE(whole.startsWith(shown.chopped(1))) << "the line's start is what stays";
        EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());

        // What is drawn is the cut text: the same pixels as a label given it.
        auto* reference = new QLabel(&window);
        reference->setGeometry(0, 30, 300, 20);
        reference->setTextFormat(Qt::PlainText);
        reference->setText(shown);
        reference->setContentsMargins(label->contentsMargins());
        reference->setPalette(label->palette());
        const QImage drawn = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage expected = reference->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int textLeft = label->contentsMargins().left();
        EXPECT_EQ(drawn.copy(textLeft, 0, drawn.width() - textLeft, drawn.height()),
                  expected.copy(textLeft, 0, expected.width() - textLeft, expected.height()))
            << "problem " << problem;

        // Wide enough, the line is drawn whole; emptied, no tooltip is left behind.
        label->resize(4000, 20);
        EXPECT_EQ(StatusShownText(label), whole);
        ShowStatusText(label, QString(), false);
        EXPECT_TRUE(label->toolTip().isEmpty());
        EXPECT_TRUE(label->accessibleDescription().isEmpty());
    }
    // A reason from outside that looks like markup is shown in the tooltip as the text it is.
    QLabel label;
    ShowStatusText(&label, QStringLiteral("Źródło niedostępne: <img src=x> (HTTP 503)"), true);
    EXPECT_FALSE(label.toolTip().contains(QStringLiteral("<img")));
    EXPECT_TRUE(label.toolTip().contains(QStringLiteral("&lt;img src=x&gt;")));
}

}  // namespace
}  // namespace dravik
