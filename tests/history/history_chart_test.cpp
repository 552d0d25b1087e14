#include "history/history_chart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <limits>

#include "history/chart_painter.h"
#include "tests/history/scoped_tz.h"

namespace dravik {
namespace {

TEST(HistoryChart, EnergyTable) {
    const struct {
        double x;
        double e;
    } cases[] = {{0, 1},      {1, 3},  {2, 6},   {3, 12},  {3.5, 16}, {4, 24},    {4.5, 32}, {4.9, 44.8}, {5, 48},
                 {5.1, 38.4}, {6, 96}, {7, 192}, {8, 384}, {9, 768},  {10, 1536}, {0.5, 2},  {-1, -1}};
    for (const auto& c : cases) {
        EXPECT_NEAR(EnergyFromMagnitude(c.x), c.e, 1e-9) << c.x;
    }
    // A huge text ends instead of doubling for ever.
    EXPECT_TRUE(std::isinf(EnergyFromMagnitude(1e300)));
}

ChartInput OneDay(int valueKind, int style, int selected = -1) {
    ChartInput in;
    in.frame = {10, 20, 10 + 1439, 20 + 105};  // width 1439, height 105: 100 pixels of scale
    in.from = {2016, 1, 15};
    in.to = {2016, 1, 15};
    in.valueKind = valueKind;
    in.chartStyle = style;
    in.selected = selected;
    return in;
}

TEST(HistoryChart, NoonOfOneDayStandsAt720Of1439) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleBars), {{"5.0", "2016-01-15", "12:00"}});
    ASSERT_EQ(g.bars.size(), 1u);
    EXPECT_EQ(g.bars[0].x, 10 + 720);
    EXPECT_EQ(g.background.left, 11);
    EXPECT_EQ(g.background.bottom, 124);

    // In summer event times still count as standard time, an hour after the range's own clock.
    ChartInput summer = OneDay(kValueMagnitude, kStyleBars);
    summer.from = summer.to = {2016, 7, 15};
    const ChartGeometry s = ComputeChart(summer, {{"5.0", "2016-07-15", "12:00"}});
    ASSERT_EQ(s.bars.size(), 1u);
    EXPECT_NEAR(s.bars[0].x, 10 + 780, 1);  // 1439 * (780 / 1439) may fall just short of 780
}

TEST(HistoryChart, MagnitudeHeights) {
    test::ScopedTimeZone tz("UTC");
    const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleBars), {{"5.0", "2016-01-15", "00:00"},
                                                                               {"10.0", "2016-01-15", "01:00"},
                                                                               {"4.55", "2016-01-15", "02:00"},
                                                                               {"nonsense", "2016-01-15", "03:00"}});
    ASSERT_EQ(g.bars.size(), 3u);  // the unreadable one is 0 high
    EXPECT_EQ(g.bars[0].height, 50);
    EXPECT_EQ(g.bars[0].y, 125 - 50);
    EXPECT_EQ(g.bars[0].x, 10);
    EXPECT_EQ(g.bars[1].y, 20 + 5);
    EXPECT_EQ(g.bars[2].height, 45);  // 45.5 truncated
    EXPECT_EQ(g.bars[2].y, 79);       // 125 - 45.5 = 79.5 truncated
}

TEST(HistoryChart, LargestEnergyReachesFiveBelowTop) {
    test::ScopedTimeZone tz("UTC");
    const ChartGeometry g = ComputeChart(OneDay(kValueEnergy, kStyleBars),
                                         {{"6.0", "2016-01-15", "10:00"}, {"5.0", "2016-01-15", "09:00"}});
    ASSERT_EQ(g.bars.size(), 2u);
    EXPECT_EQ(g.bars[0].y, 20 + 5);
    EXPECT_EQ(g.bars[1].height, 50);  // 48 of 96
    // Small energies keep the scale at 10.
    const ChartGeometry small = ComputeChart(OneDay(kValueEnergy, kStyleBars), {{"1.0", "2016-01-15", "10:00"}});
    ASSERT_EQ(small.bars.size(), 1u);
    EXPECT_EQ(small.bars[0].height, 30);
}

TEST(HistoryChart, SelectedBarIsThreeWideAndBlue) {
    test::ScopedTimeZone tz("UTC");
    const std::vector<ChartRow> rows = {{"5.0", "2016-01-15", "12:00"}, {"4.0", "2016-01-15", "06:00"}};
    const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleBars, 1), rows);
    ASSERT_EQ(g.bars.size(), 2u);
    EXPECT_EQ(g.bars[0].width, 1);
    EXPECT_EQ(g.bars[0].color, kBarColor);
    EXPECT_EQ(g.bars[1].width, 3);
    EXPECT_EQ(g.bars[1].x, 10 + 360 - 1);
    EXPECT_EQ(g.bars[1].color, kSelectedBarColor);
}

TEST(HistoryChart, PolylineRunsFromTheNewestEvent) {
    test::ScopedTimeZone tz("UTC");
    const std::vector<ChartRow> rows = {{"5.0", "2016-01-15", "12:00"}, {"10.0", "2016-01-15", "06:00"}};
    const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleJoined, 0), rows);
    EXPECT_TRUE(g.bars.empty());
    ASSERT_EQ(g.polyline.size(), 2u);
    EXPECT_EQ(g.polyline[0].x, 10 + 720 - 1);
    EXPECT_EQ(g.polyline[0].y, 75);
    EXPECT_EQ(g.polyline[1].x, 10 + 360 - 1);
    EXPECT_EQ(g.polyline[1].y, 25);
}

TEST(HistoryChart, ReversedRangeOrOddTextsDrawOnlyTheBackground) {
    test::ScopedTimeZone tz("UTC");
    ChartInput reversed = OneDay(kValueMagnitude, kStyleBars);
    reversed.from = {2016, 1, 16};
    EXPECT_TRUE(ComputeChart(reversed, {{"5.0", "2016-01-15", "12:00"}}).bars.empty());
    // Short or garbled texts neither crash nor overflow.
    const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleBars), {{"1e308", "20", ""}, {"inf", "", "1"}});
    EXPECT_LE(g.bars.size(), 1u);
}

QImage Render(const ChartGeometry& g, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChart(painter, g);
    return image;
}

TEST(HistoryChart, OneJoinedPointDrawsNothingVisible) {
    test::ScopedTimeZone tz("UTC");
    ChartInput in = OneDay(kValueMagnitude, kStyleJoined);
    in.frame = {0, 0, 200, 60};
    const QImage image = Render(ComputeChart(in, {{"5.0", "2016-01-15", "12:00"}}), QSize(200, 60));
    const QRgb background = qRgb(255, 255, 128);
    for (int y = 1; y < 59; ++y) {
        for (int x = 1; x < 199; ++x) {
            ASSERT_EQ(image.pixel(x, y), background) << x << "," << y;
        }
    }
}

TEST(HistoryChart, PaintedBarsHaveTheirColours) {
    test::ScopedTimeZone tz("UTC");
    ChartInput in = OneDay(kValueMagnitude, kStyleBars, 0);
    in.frame = {0, 0, 1439, 105};
    const QImage image =
        Render(ComputeChart(in, {{"5.0", "2016-01-15", "12:00"}, {"5.0", "2016-01-15", "06:00"}}), QSize(1439, 105));
    EXPECT_EQ(image.pixel(719, 100), qRgb(0, 0, 200));
    EXPECT_EQ(image.pixel(721, 100), qRgb(0, 0, 200));
    EXPECT_EQ(image.pixel(722, 100), qRgb(255, 255, 128));
    EXPECT_EQ(image.pixel(360, 60), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(360, 50), qRgb(255, 255, 128));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));  // the frame's border stays
}

}  // namespace
}  // namespace dravik
