#include "platform/qt/dialog_resizer.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>

namespace dravik {
namespace {

TEST(DialogResizerTest, GrownRectMovesEachEdgeByItsShare) {
    const QRect base(10, 20, 100, 50);
    const struct {
        const char* name;
        GrowthShare share;
        QSize growth;
        QRect expected;
    } cases[] = {
        {"no growth keeps the template place", {0.3, 0.4, 1, 1}, {0, 0}, base},
        {"top left stays", kKeepTopLeft, {200, 100}, base},
        {"bottom right moves whole", kKeepBottomRight, {200, 100}, {210, 120, 100, 50}},
        {"bottom left keeps to the bottom", kKeepBottomLeft, {200, 100}, {10, 120, 100, 50}},
        {"stretches to the bottom edge", kStretchBottom, {200, 100}, {10, 120, 300, 50}},
        {"a share of the height", {0, 0, 1, 0.4}, {200, 101}, {10, 20, 300, 90}},
        {"the rest below it", {0, 0.4, 1, 1}, {200, 101}, {10, 60, 300, 111}},
        {"a smaller window counts as the template size", kStretchBottom, {-50, -30}, base},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GrownRect(base, c.share, c.growth), c.expected) << c.name;
    }
}

TEST(DialogResizerTest, ControlsThatTouchKeepTouchingForEveryGrowth) {
    const QRect upper(7, 10, 400, 200);
    const QRect lower(7, 210, 400, 300);
    for (int growth = 0; growth < 400; ++growth) {
        const QRect a = GrownRect(upper, {0, 0, 1, 0.4}, {growth, growth});
        const QRect b = GrownRect(lower, {0, 0.4, 1, 1}, {growth, growth});
        ASSERT_EQ(a.y() + a.height(), b.y()) << growth;
        ASSERT_EQ(b.y() + b.height(), lower.y() + lower.height() + growth) << growth;
    }
}

TEST(DialogResizerTest, DialogGrowsFromItsTemplateSizeAndComesBackExactly) {
    QDialog dialog;
    dialog.setFixedSize(300, 200);
    auto* list = new QPushButton(&dialog);
    list->setGeometry(5, 5, 290, 150);
    auto* button = new QPushButton(&dialog);
    button->setGeometry(240, 170, 50, 20);
    CDialogResizer resizer(&dialog, [&](QWidget* child) {
        return child == list ? GrowthShare{0, 0, 1, 1} : kKeepBottomRight;
    });
    EXPECT_EQ(dialog.minimumSize(), QSize(300, 200));
    EXPECT_EQ(dialog.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    dialog.resize(450, 300);
    dialog.show();
    EXPECT_EQ(list->geometry(), QRect(5, 5, 440, 250));
    EXPECT_EQ(button->geometry(), QRect(390, 270, 50, 20));

    dialog.resize(300, 200);
    EXPECT_EQ(list->geometry(), QRect(5, 5, 290, 150));
    EXPECT_EQ(button->geometry(), QRect(240, 170, 50, 20));
}

}  // namespace
}  // namespace dravik
