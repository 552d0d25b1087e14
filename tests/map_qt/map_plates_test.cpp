#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>

#include "map/plate_boundaries.h"
#include "map/qt/map_look.h"
#include "map/qt/map_widget.h"

namespace dravik {
namespace {

bool NearColour(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 40 && std::abs(a.green() - b.green()) <= 40 &&
           std::abs(a.blue() - b.blue()) <= 40;
}

// The pixels within a pixel of a point (in the widget's pixels, whatever the screen's scale) that take the
// plates' line colour.
int LinePixelsAround(const QImage& image, double wx, double wy) {
    const int x = static_cast<int>(wx * image.devicePixelRatio());
    const int y = static_cast<int>(wy * image.devicePixelRatio());
    int count = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            count += NearColour(image.pixelColor(x + dx, y + dy), map_look::kPlateLine) ? 1 : 0;
        }
    }
    return count;
}

TEST(MapPlatesTest, TheRidgeIsDrawnInTheLineColourUnderTheCirclesOnEveryCopyAndNotWhenSwitchedOff) {
    // The test environment's tile address is a closed port: the lines are drawn with no tiles at all.
    const std::vector<GeoPoint>& ridge = PlateLines()[14];  // the Mid-Atlantic Ridge, North America - Africa
    const GeoPoint on = ridge[ridge.size() / 2];
    CMapWidget map;
    // Odd sides put the centre on a pixel's middle.
    map.resize(401, 301);
    map.CentreOn(on, 5);
    ASSERT_TRUE(map.PlatesShown());
    EXPECT_GE(LinePixelsAround(map.grab().toImage(), 200.5, 150.5), 1);

    map.SetPlatesShown(false);
    EXPECT_EQ(LinePixelsAround(map.grab().toImage(), 200.5, 150.5), 0);
    map.SetPlatesShown(true);

    // Hiding lets the lines' picture go with the tiles; the next paint draws it again.
    map.ReleaseTiles();
    map.RestoreTiles();
    EXPECT_GE(LinePixelsAround(map.grab().toImage(), 200.5, 150.5), 1);

    // Zoomed out to three copies of the world side by side, the ridge is drawn on each.
    map.resize(1401, 501);
    map.CentreOn({0, 0}, 1);
    const QImage world = map.grab().toImage();
    const std::vector<ScreenPoint> copies = map.Viewport().ToScreenCopies(on, 0);
    ASSERT_EQ(copies.size(), 3U);
    for (const ScreenPoint& s : copies) {
        EXPECT_GE(LinePixelsAround(world, s.x, s.y), 1) << s.x;
    }

    // A quake's circle on the ridge covers the line.
    map.resize(401, 301);
    map.CentreOn(on, 5);
    map.SetCircles({MapCircle{1, on, 8, 2, QString()}});
    EXPECT_EQ(LinePixelsAround(map.grab().toImage(), 200.5, 150.5), 0);
}

}  // namespace
}  // namespace dravik
