#include "controls/link_static.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <vector>

#include "controls/palette_colours.h"
#include "tests/common/dark_palette.h"

namespace dravik {
namespace {

// The darkest pixel of the label: with unantialiased glyphs, the text colour itself.
QRgb TextColour(QWidget& widget) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRgb darkest = qRgb(255, 255, 255);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < qGray(darkest)) {
                darkest = image.pixel(x, y);
            }
        }
    }
    return darkest;
}

void Enter(QWidget& widget) {
    const QPointF inside(2, 2);
    QEnterEvent event(inside, inside, widget.mapToGlobal(inside));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

void SendMouse(QWidget& widget, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    const QPointF local(at);
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, local, widget.mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void Click(QWidget& widget, Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint(5, 5)) {
    SendMouse(widget, QEvent::MouseButtonPress, button, at);
    SendMouse(widget, QEvent::MouseButtonRelease, button, at);
}

class LinkStaticTest : public ::testing::Test {
protected:
    LinkStaticTest() {
        QFont font = QApplication::font();
        font.setPixelSize(14);
        font.setStyleStrategy(QFont::NoAntialias);
        parent.setFont(font);
        parent.resize(300, 40);
        link = new CLinkStatic(&parent, [this](const QUrl& url) {
            opened.push_back(url);
            return openResult;
        });
        link->setText(QStringLiteral("www.dravik.example"));
        link->setGeometry(10, 10, 200, 20);
        link->SetURL(QStringLiteral("http://www.dravik.example/"));
    }

    QWidget parent;
    CLinkStatic* link = nullptr;
    std::vector<QUrl> opened;
    bool openResult = true;
};

TEST_F(LinkStaticTest, ColourAwayHoveredAndAfterAClick) {
    const QRgb away = LinkTextColour(link->palette(), false, false);
    const QRgb over = LinkTextColour(link->palette(), true, false);
    ASSERT_NE(away, over);
    EXPECT_EQ(away, link->palette().color(QPalette::Link).rgb()) << "the theme's link colour where it reads";
    EXPECT_EQ(LinkTextColour(link->palette(), true, true), away);
    EXPECT_EQ(TextColour(*link), away) << "away";
    Enter(*link);
    EXPECT_EQ(TextColour(*link), over) << "over";
    Leave(*link);
    EXPECT_EQ(TextColour(*link), away) << "away again";

    Enter(*link);
    Click(*link);
    EXPECT_TRUE(link->IsVisited());
    EXPECT_EQ(TextColour(*link), away) << "visited, over";
    Leave(*link);
    EXPECT_EQ(TextColour(*link), away) << "visited, away";
    Enter(*link);
    EXPECT_EQ(TextColour(*link), away) << "visited, over again";
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(LinkStaticTest, TextReadsOnLightAndDarkPalettesAsRendered) {
    QPalette light = std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion")))->standardPalette();
    // A theme whose link colour is too pale for its window.
    QPalette pale = light;
    pale.setColor(QPalette::Link, QColor(150, 180, 255));
    for (const QPalette& palette : {light, test::DarkFusionPalette(), pale}) {
        parent.setPalette(palette);
        for (bool over : {false, true}) {
            over ? Enter(*link) : Leave(*link);
            const QImage image = link->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRgb ground = image.pixel(image.width() - 1, image.height() - 1);
            ASSERT_EQ(ground, palette.color(QPalette::Window).rgb());
            double lowest = 21.0;
            int inked = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixel(x, y) != ground) {
                        ++inked;
                        lowest = std::min(lowest, ContrastRatio(image.pixel(x, y), ground));
                    }
                }
            }
            EXPECT_GT(inked, 20);
            EXPECT_GE(lowest, kMinTextContrast) << qRed(ground) << (over ? " over" : "");
        }
    }
}

TEST_F(LinkStaticTest, ClickOpensTheAddressAndMarksItVisitedEvenWhenOpeningFails) {
    openResult = false;
    Click(*link);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://www.dravik.example/")));
    EXPECT_TRUE(link->IsVisited());

    // Every click opens again.
    Click(*link);
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(LinkStaticTest, ClickWithAnEmptyAddressMarksItVisitedWithoutOpeningAnything) {
    link->SetURL(QString());
    Click(*link);
    EXPECT_TRUE(link->IsVisited());
    EXPECT_TRUE(opened.empty());
}

TEST_F(LinkStaticTest, FontIsTheParentsWithoutUnderlineAndFollowsIt) {
    QFont underlined = parent.font();
    underlined.setUnderline(true);
    underlined.setBold(true);
    underlined.setPixelSize(17);
    parent.setFont(underlined);
    EXPECT_FALSE(link->font().underline());
    EXPECT_TRUE(link->font().bold());
    EXPECT_EQ(link->font().pixelSize(), 17);
    EXPECT_EQ(link->font().family(), underlined.family());
}

// The site link is reached and used from the keyboard and by a screen reader as a link: Tab comes to it, it
// shows where the focus is, Enter and Space open it, and it is exposed as a link named by its text whose press
// opens it too.
TEST(LinkStatic, ATabStopWithAFocusMarkOpenedByKeysAndExposedAsALink) {
    QWidget window;
    auto* before = new QPushButton(QStringLiteral("Schowaj"), &window);
    std::vector<QUrl> opened;
    auto* link = new CLinkStatic(&window, [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    link->setText(QStringLiteral("dravik.example"));
    link->SetURL(QStringLiteral("http://dravik.example"));
    link->setGeometry(0, 40, 120, 20);
    window.resize(200, 80);
    window.show();
    QApplication::setActiveWindow(&window);
    before->setFocus(Qt::TabFocusReason);
    const QImage unfocused = link->grab().toImage().convertToFormat(QImage::Format_RGB32);

    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_TRUE(link->hasFocus()) << "the link is no Tab stop";
    const QImage focused = link->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_NE(focused, unfocused) << "no focus mark";
    // The mark runs round the label's edge; the text inside is drawn as before.
    const QRect inside = link->rect().adjusted(1, 1, -1, -1);
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            ASSERT_EQ(focused.pixel(x, y), unfocused.pixel(x, y)) << x << "," << y;
        }
    }

    QTest::keyClick(link, Qt::Key_Return);
    QTest::keyClick(link, Qt::Key_Space);
    QTest::keyClick(link, Qt::Key_A);  // other keys do nothing
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_TRUE(link->IsVisited());

    QAccessibleInterface* exposed = QAccessible::queryAccessibleInterface(link);
    ASSERT_NE(exposed, nullptr);
    EXPECT_EQ(exposed->role(), QAccessible::Link);
    EXPECT_EQ(exposed->text(QAccessible::Name), QStringLiteral("dravik.example"));
    EXPECT_TRUE(exposed->state().focusable);
    QAccessibleActionInterface* actions = exposed->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened.back(), QUrl(QStringLiteral("http://dravik.example")));
}

}  // namespace
}  // namespace dravik
