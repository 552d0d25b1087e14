#include "controls/question_icon.h"

#include <gtest/gtest.h>

#include <QImage>

namespace dravik {
namespace {

// Drawn for the device's pixels: at a scale of 2 the icon has twice the pixels, not a blown-up small bitmap,
// so the disc's edge passes from clear to full within a device pixel or two.
TEST(QuestionIconTest, DrawnAtTheScreensRatio) {
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap icon = QuestionIcon(32, ratio, Qt::blue, Qt::white);
        EXPECT_EQ(icon.devicePixelRatio(), ratio);
        ASSERT_EQ(icon.width(), static_cast<int>(32 * ratio));
        const QImage image = icon.toImage();
        const int middle = image.height() / 2;
        int partial = 0;
        for (int x = 0; x < image.width() / 4; ++x) {
            const int alpha = qAlpha(image.pixel(x, middle));
            partial += alpha > 0 && alpha < 255 ? 1 : 0;
        }
        EXPECT_LE(partial, 2) << ratio;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corners stay clear";
        // The mark is drawn in the middle of the disc.
        bool marked = false;
        for (int y = 0; y < image.height(); ++y) {
            marked = marked || QColor(image.pixel(image.width() / 2, y)) == QColor(Qt::white);
        }
        EXPECT_TRUE(marked) << ratio;
    }
}

}  // namespace
}  // namespace dravik
