#include "controls/sheen_button.h"

#include <cmath>

#include <gtest/gtest.h>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <memory>

#include "controls/palette_colours.h"
#include "tests/common/dark_palette.h"

namespace dravik {
namespace {

// Glyphs without antialiasing, so that every text pixel is exactly the pen's colour.
QFont CrispFont() {
    QFont font = QApplication::font();
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Enter(QWidget& widget) {
    const QPointF inside(widget.width() / 2.0, widget.height() / 2.0);
    QEnterEvent event(inside, inside, widget.mapToGlobal(inside));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

// Bounding box of the pixels that match the predicate.
template <typename Pred>
QRect PixelBounds(const QImage& image, Pred pred) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (pred(image.pixel(x, y))) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

bool IsDark(QRgb pixel) {
    return qRed(pixel) < 100 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

TEST(SheenCaptionRect, CentresFittingTextAndStartsWideTextAtTheLeftEdge) {
    struct Case {
        const char* name;
        QRect client;
        QSize text;
        bool pressed;
        std::optional<QRect> expected;
    };
    const Case cases[] = {
        {"even slack", QRect(0, 0, 100, 30), QSize(40, 16), false, QRect(30, 7, 40, 16)},
        // Odd slack: half of it (rounded down) comes off each side, the one left over stays on the right.
        {"odd slack", QRect(0, 0, 101, 31), QSize(40, 16), false, QRect(30, 7, 41, 16)},
        {"pressed", QRect(0, 0, 100, 30), QSize(40, 16), true, QRect(31, 8, 40, 16)},
        {"wider than the area", QRect(0, 0, 50, 30), QSize(80, 16), false, QRect(0, 7, 50, 16)},
        {"exactly as wide", QRect(0, 0, 50, 30), QSize(50, 16), false, QRect(0, 7, 50, 16)},
        {"one pixel wide", QRect(0, 0, 1, 30), QSize(20, 16), false, QRect(0, 7, 1, 16)},
        {"no width", QRect(0, 0, 0, 30), QSize(20, 16), false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SheenCaptionRect(c.client, c.text, c.pressed), c.expected) << c.name;
    }
}

class SheenButtonPixels : public ::testing::Test {
protected:
    SheenButtonPixels() : button(QStringLiteral("Hide")) {
        button.setFont(CrispFont());
        button.resize(120, 32);
    }
    // The face's last row, left of the centred caption.
    QRgb FaceBottom() { return Grab(button).pixel(4, SheenFaceRect(button.rect()).bottom()); }
    QRgb Bottom(bool hover) { return SheenFaceColours(button.palette(), hover).bottom; }

    CSheenButton button;
};

TEST(SheenFaceColours, ShadesOfThePalettesButtonColour) {
    struct Case {
        QColor button;
        SheenFace normal;
        SheenFace hover;
    };
    const Case cases[] = {
        // A light grey button: white to grey, lighter at the bottom under the pointer.
        {QColor(239, 239, 239), {qRgb(255, 255, 255), qRgb(199, 199, 199)}, {qRgb(255, 255, 255), qRgb(219, 219, 219)}},
        {QColor(53, 53, 53), {qRgb(69, 69, 69), qRgb(44, 44, 44)}, {qRgb(69, 69, 69), qRgb(49, 49, 49)}},
    };
    for (const Case& c : cases) {
        QPalette palette;
        palette.setColor(QPalette::Button, c.button);
        const SheenFace normal = SheenFaceColours(palette, false);
        const SheenFace hover = SheenFaceColours(palette, true);
        EXPECT_EQ(normal.top, c.normal.top) << c.button.red();
        EXPECT_EQ(normal.bottom, c.normal.bottom) << c.button.red();
        EXPECT_EQ(hover.top, c.hover.top) << c.button.red();
        EXPECT_EQ(hover.bottom, c.hover.bottom) << c.button.red();
    }
}

TEST_F(SheenButtonPixels, FaceBottomFollowsThePointerInAndOut) {
    ASSERT_NE(Bottom(false), Bottom(true));
    EXPECT_EQ(FaceBottom(), Bottom(false));
    EXPECT_EQ(Grab(button).pixel(4, SheenFaceRect(button.rect()).top()), SheenFaceColours(button.palette(), false).top);
    Enter(button);
    EXPECT_TRUE(button.IsHovering());
    EXPECT_EQ(FaceBottom(), Bottom(true));
    Leave(button);
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(FaceBottom(), Bottom(false));
    Enter(button);
    EXPECT_EQ(FaceBottom(), Bottom(true));
}

TEST_F(SheenButtonPixels, PressedAndDisabledButtonsKeepTheNormalFace) {
    button.setDown(true);
    EXPECT_EQ(FaceBottom(), Bottom(false));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(FaceBottom(), Bottom(false));
}

// The caption against the face it is drawn on, measured on the rendered pixels: every pixel of the caption
// against the face's colour in its row (the gradient is the same across a row).
double LowestCaptionContrast(const QImage& image, const QRect& face) {
    double lowest = 21.0;
    int inked = 0;
    for (int y = face.top(); y <= face.bottom(); ++y) {
        const QRgb ground = image.pixel(face.left() + 1, y);
        for (int x = face.left() + 1; x < face.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel != ground) {
                ++inked;
                lowest = std::min(lowest, ContrastRatio(pixel, ground));
            }
        }
    }
    return inked > 20 ? lowest : 0.0;
}

TEST(SheenButtonContrast, CaptionReadsOnLightDarkAndMismatchedPalettes) {
    QPalette mismatched = test::DarkFusionPalette();
    // A theme whose button text barely differs from its buttons.
    mismatched.setColor(QPalette::ButtonText, QColor(80, 80, 80));
    const struct {
        const char* name;
        QPalette palette;
    } cases[] = {
        {"light", std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette()},
        {"dark", test::DarkFusionPalette()},
        {"mismatched", mismatched},
    };
    for (const auto& c : cases) {
        for (bool hover : {false, true}) {
            CSheenButton button(QStringLiteral("Schowaj"));
            button.setFont(CrispFont());
            button.setPalette(c.palette);
            button.resize(120, 32);
            if (hover) {
                Enter(button);
            }
            const double contrast = LowestCaptionContrast(Grab(button), SheenFaceRect(button.rect()));
            EXPECT_GE(contrast, kMinTextContrast) << c.name << (hover ? " hover" : "");
        }
    }
}

TEST_F(SheenButtonPixels, CaptionIsCentredAndMovesOnePixelWhenPressed) {
    const QRect up = PixelBounds(Grab(button), IsDark);
    ASSERT_FALSE(up.isEmpty());
    // Centred: the ink sits in the middle third, whatever the glyphs' side bearings.
    EXPECT_NEAR(up.center().x(), button.width() / 2, 3);
    EXPECT_NEAR(up.center().y(), button.height() / 2, 3);
    button.setDown(true);
    const QRect down = PixelBounds(Grab(button), IsDark);
    EXPECT_EQ(down, up.translated(1, 1));
}

TEST_F(SheenButtonPixels, DisabledCaptionIsGreyOverAHighlightCopyOnePixelRightAndDown) {
    QPalette colours = button.palette();
    colours.setColor(QPalette::Disabled, QPalette::Light, QColor(255, 0, 0));
    colours.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0, 0, 255));
    button.setPalette(colours);
    button.setEnabled(false);

    const QImage image = Grab(button);
    const QRect grey = PixelBounds(image, [](QRgb p) { return p == qRgb(0, 0, 255); });
    const QRect highlight = PixelBounds(image, [](QRgb p) { return p == qRgb(255, 0, 0); });
    ASSERT_FALSE(grey.isEmpty());
    ASSERT_FALSE(highlight.isEmpty());
    EXPECT_EQ(highlight.right(), grey.right() + 1);
    EXPECT_EQ(highlight.bottom(), grey.bottom() + 1);
    EXPECT_TRUE(PixelBounds(image, IsDark).isEmpty()) << "no caption in the normal text colour";

    button.setEnabled(true);
    const QImage enabled = Grab(button);
    EXPECT_TRUE(PixelBounds(enabled, [](QRgb p) { return p == qRgb(255, 0, 0); }).isEmpty());
    EXPECT_EQ(PixelBounds(enabled, IsDark).topLeft(), grey.topLeft()) << "same place as when enabled";
}

TEST_F(SheenButtonPixels, CaptionWiderThanTheButtonStartsAtTheLeftEdgeWithAnEllipsis) {
    const QString caption = QStringLiteral("Monitoring of earthquakes around the world");
    button.setText(caption);
    button.resize(90, 32);
    const QFontMetrics metrics(button.font());
    ASSERT_GT(metrics.horizontalAdvance(caption), button.width());

    const QRect ink = PixelBounds(Grab(button), IsDark);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.left(), 1) << "starts at the client area's left edge, over the frame";
    EXPECT_LT(ink.right(), button.width());

    // The text drawn is the caption cut to the area and ending in an ellipsis.
    const QString shown = metrics.elidedText(caption, Qt::ElideRight, button.width());
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    QImage expected(button.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setFont(button.font());
        painter.setPen(Qt::black);
        painter.drawText(
            *SheenCaptionRect(button.rect(), QSize(metrics.horizontalAdvance(caption), metrics.height()), false),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
    EXPECT_EQ(ink, PixelBounds(expected, IsDark));
}

TEST_F(SheenButtonPixels, CaptionThatFitsIsNeverCut) {
    // Widths around the text's own, where rounding its fractional advance decides whether it is cut.
    for (const char* text : {"Zamknij", "Schowaj", "Hide", "Dalej"}) {
        const QString caption = QString::fromUtf8(text);
        button.setText(caption);
        QImage full(200, 32, QImage::Format_RGB32);
        full.fill(Qt::white);
        {
            QPainter painter(&full);
            painter.setFont(button.font());
            painter.setPen(Qt::black);
            painter.drawText(QRect(0, 0, 200, 32), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
        }
        const int inkWidth = PixelBounds(full, IsDark).width();
        const int advance = static_cast<int>(std::ceil(QFontMetricsF(button.font()).horizontalAdvance(caption)));
        for (int width = advance; width <= advance + 3; ++width) {
            button.resize(width, 32);
            EXPECT_EQ(PixelBounds(Grab(button), IsDark).width(), inkWidth) << text << " at " << width;
        }
    }
}

// Keyboard users see where they are: the focused button shows a mark on its face, readable on light and dark
// themes, and only the mark changes (the caption stays where it was). Space on a button without a mark would
// act on a control nobody sees is chosen.
TEST(SheenButton, FocusedShowsAReadableMarkOnTheFaceAndNothingElseChanges) {
    const QPalette light = std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
    for (const QPalette& palette : {light, test::DarkFusionPalette()}) {
        QWidget window;
        window.setPalette(palette);
        auto* other = new QPushButton(QStringLiteral("Other"), &window);
        auto* button = new CSheenButton(QStringLiteral("Hide"), &window);
        button->setFont(CrispFont());
        button->resize(120, 32);
        button->move(0, 40);
        window.resize(200, 80);
        window.show();
        QApplication::setActiveWindow(&window);
        other->setFocus(Qt::TabFocusReason);
        const QImage unfocused = Grab(*button);
        window.setAttribute(Qt::WA_KeyboardFocusChange);
        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus());
        const QImage focused = Grab(*button);
        ASSERT_NE(focused, unfocused) << "no focus mark";

        const QRect mark = SheenFocusRect(button->rect());
        const QRect inner = mark.adjusted(1, 1, -1, -1);
        int marked = 0;
        double lowest = 21.0;
        for (int y = 0; y < focused.height(); ++y) {
            for (int x = 0; x < focused.width(); ++x) {
                if (focused.pixel(x, y) == unfocused.pixel(x, y)) {
                    continue;
                }
                const QPoint at(x, y);
                EXPECT_TRUE(mark.contains(at) && !inner.contains(at)) << "changed off the mark at " << x << "," << y;
                ++marked;
                lowest = std::min(lowest, ContrastRatio(focused.pixel(x, y), unfocused.pixel(x, y)));
            }
        }
        // A dotted line round the face: a good share of its outline.
        EXPECT_GT(marked, (mark.width() + mark.height()) / 2);
        EXPECT_GE(lowest, kMinMarkContrast);

        other->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(Grab(*button), unfocused) << "the mark goes with the focus";
    }
}

}  // namespace
}  // namespace dravik
