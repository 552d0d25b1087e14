#include "history/history_chart.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "history/chart_painter.h"
#include "tests/history/scoped_tz.h"

namespace dravik {
namespace {

TEST(HistoryChart, EnergyDoublesPerUnitAndNeverFalls) {
    const struct {
        double x;
        double e;
    } cases[] = {{0, 1},  {0.5, 2},    {1, 3},  {2, 6},   {3, 12},  {3.5, 18}, {4, 24},    {4.5, 36},
                 {5, 48}, {5.1, 52.8}, {6, 96}, {7, 192}, {8, 384}, {9, 768},  {10, 1536}, {-1, 0.5}};
    for (const auto& c : cases) {
        EXPECT_NEAR(EnergyFromMagnitude(c.x), c.e, 1e-9) << c.x;
    }
    double previous = 0.0;
    for (double x = -3.0; x <= 10.0; x += 0.05) {
        const double e = EnergyFromMagnitude(x);
        EXPECT_GT(e, previous) << x;
        previous = e;
    }
    // A huge text ends at once instead of doubling for ever.
    EXPECT_TRUE(std::isinf(EnergyFromMagnitude(1e300)));
}

std::vector<std::string> Labels(const TimeAxis& axis) {
    std::vector<std::string> out;
    for (const TimeTick& tick : axis.ticks) {
        out.push_back(tick.label);
    }
    return out;
}

int Chars(const std::string& utf8) {
    int n = 0;
    for (const char c : utf8) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

// 7 pixels a character (the default measure), labels 8 pixels apart at least.
TEST(HistoryChart, TimeTicksFitTheRange) {
    const struct {
        const char* name;
        CalendarDate from, to;
        int width;
        const char* lang;
        TimeStep step;
        std::vector<std::string> first;  // the first labels
        std::string last;
    } cases[] = {
        {"one day", {2016, 3, 5}, {2016, 3, 5}, 560, "PL", {TimeUnit::kHour, 2}, {"5 mar", "02:00", "04:00"}, "6 mar"},
        {"three weeks", {2016, 3, 1}, {2016, 3, 21}, 560, "PL", {TimeUnit::kDay, 2}, {"2 mar", "4 mar"}, "22 mar"},
        {"three months, Mondays",
         {2016, 3, 1},
         {2016, 5, 31},
         560,
         "EN",
         {TimeUnit::kDay, 14},
         {"Mar 7", "Mar 21", "Apr 4"},
         "May 30"},
        {"two years",
         {2015, 1, 1},
         {2016, 12, 31},
         560,
         "PL",
         {TimeUnit::kMonth, 3},
         {"sty 2015", "kwi", "lip", "paź", "sty 2016"},
         "sty 2017"},
        {"two years from May",
         {2015, 5, 10},
         {2017, 5, 9},
         560,
         "EN",
         {TimeUnit::kMonth, 3},
         {"Jul 2015", "Oct", "Jan 2016"},
         "Apr"},
        {"twenty years", {2000, 1, 1}, {2019, 12, 31}, 300, "EN", {TimeUnit::kYear, 5}, {"2000", "2005"}, "2020"},
    };
    for (const auto& c : cases) {
        const long long start = CivilMinutes(c.from.year, c.from.month, c.from.day, 0, 0);
        const long long end = CivilMinutes(c.to.year, c.to.month, c.to.day, 0, 0) + 1440;
        const TimeAxis axis = ChooseTimeAxis(start, end, c.width, c.lang, {});
        EXPECT_EQ(axis.step, c.step) << c.name;
        const std::vector<std::string> labels = Labels(axis);
        ASSERT_GE(labels.size(), c.first.size()) << c.name;
        EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + c.first.size()), c.first) << c.name;
        EXPECT_EQ(labels.back(), c.last) << c.name;
        // Within the range, in order, and never closer than a label and its gap.
        for (std::size_t i = 0; i < axis.ticks.size(); ++i) {
            EXPECT_GE(axis.ticks[i].minute, start) << c.name;
            EXPECT_LE(axis.ticks[i].minute, end) << c.name;
            if (i > 0) {
                const double px = static_cast<double>(axis.ticks[i].minute - axis.ticks[i - 1].minute) * c.width /
                                  static_cast<double>(end - start);
                EXPECT_GE(px, 7 * Chars(axis.ticks[i].label) + 8) << c.name << " " << axis.ticks[i].label;
            }
        }
    }
}

TEST(HistoryChart, ValueTicks) {
    const struct {
        const char* name;
        int kind;
        double min, max;
        int height;
        double low, high;
        std::vector<std::string> labels;
    } cases[] = {
        {"magnitude", kValueMagnitude, 2.1, 6.5, 100, 0, 10, {"0", "2", "4", "6", "8", "10"}},
        {"magnitude above 10", kValueMagnitude, 0, 11.2, 100, 0, 12, {"0", "2", "4", "6", "8", "10", "12"}},
        {"energy", kValueEnergy, 3, 1536, 100, 0, 4, {"10⁰", "10¹", "10²", "10³", "10⁴"}},
        {"energy, short", kValueEnergy, 3, 1536, 40, 0, 4, {"10⁰", "10²", "10⁴"}},
        {"energy below 1", kValueEnergy, 0.5, 48, 100, -1, 2, {"10⁻¹", "10⁰", "10¹", "10²"}},
        {"energy, nothing listed", kValueEnergy, std::numeric_limits<double>::infinity(), 0, 100, 0, 1, {"10⁰", "10¹"}},
        {"shaking",
         kValueShaking,
         2,
         5,
         200,
         0,
         12,
         {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"}},
        {"shaking, short", kValueShaking, 2, 5, 60, 0, 12, {"IV", "VIII", "XII"}},
    };
    for (const auto& c : cases) {
        const ValueAxis axis = ChooseValueAxis(c.kind, c.min, c.max, c.height, 16);
        EXPECT_EQ(axis.logarithmic, c.kind == kValueEnergy) << c.name;
        EXPECT_EQ(axis.low, c.low) << c.name;
        EXPECT_EQ(axis.high, c.high) << c.name;
        std::vector<std::string> labels;
        for (const ValueTick& tick : axis.ticks) {
            labels.push_back(tick.label);
        }
        EXPECT_EQ(labels, c.labels) << c.name;
    }
}

ChartInput OneDay(int valueKind, int style, int selected = -1, int width = 600, int height = 160) {
    ChartInput in;
    in.frame = {10, 20, 10 + width, 20 + height};
    in.from = {2016, 1, 15};
    in.to = {2016, 1, 15};
    in.valueKind = valueKind;
    in.chartStyle = style;
    in.selected = selected;
    in.lang = "PL";
    return in;
}

int Center(const ChartBox& box) {
    return box.x + box.width / 2;
}

TEST(HistoryChart, BarsStandAtTheirTimeAndValue) {
    // Wall-clock times: a summer noon stands where a winter noon does, whatever the zone.
    test::ScopedTimeZone tz("Europe/Warsaw");
    for (const CalendarDate day : {CalendarDate{2016, 1, 15}, CalendarDate{2016, 7, 15}}) {
        ChartInput in = OneDay(kValueMagnitude, kStyleBars);
        in.from = in.to = day;
        const std::string date = DateText(day);
        const ChartGeometry g =
            ComputeChart(in, {{"5.0", date, "12:00"}, {"10.0", date, "06:00"}, {"0", date, "03:00"}});
        const ChartRect& plot = g.plot;
        ASSERT_EQ(g.bars.size(), 2u) << "a magnitude of 0 has no height";
        EXPECT_NEAR(Center(g.bars[0]), plot.left + plot.Width() / 2, 1);
        EXPECT_NEAR(Center(g.bars[1]), plot.left + plot.Width() / 4, 1);
        EXPECT_EQ(g.bars[0].y + g.bars[0].height, plot.bottom);
        EXPECT_NEAR(g.bars[0].height, plot.Height() / 2, 1);
        EXPECT_EQ(g.bars[1].y, plot.top);
        // Room for the labels on the left and below.
        EXPECT_GT(plot.left, g.background.left + 10);
        EXPECT_LT(plot.bottom, g.background.bottom - 10);
    }
}

TEST(HistoryChart, EnergyStandsOnALogScale) {
    test::ScopedTimeZone tz("UTC");
    const ChartGeometry g = ComputeChart(OneDay(kValueEnergy, kStyleBars),
                                         {{"10.0", "2016-01-15", "10:00"}, {"5.0", "2016-01-15", "09:00"}});
    ASSERT_EQ(g.bars.size(), 2u);
    EXPECT_TRUE(g.valueAxis.logarithmic);
    EXPECT_EQ(g.valueAxis.high, 4);  // 1536 is below 10^4
    const double h = g.plot.Height();
    EXPECT_NEAR(g.bars[0].height, std::log10(1536.0) / 4 * h, 1);
    EXPECT_NEAR(g.bars[1].height, std::log10(48.0) / 4 * h, 1);
}

// The shaking chart stands each quake at its level; one whose level is not known has no mark above the axis.
TEST(HistoryChart, ShakingStandsAtTheLevel) {
    test::ScopedTimeZone tz("UTC");
    const std::vector<ChartRow> rows = {
        {"7.0", "2016-01-15", "12:00", 6}, {"2.0", "2016-01-15", "09:00", 12}, {"9.0", "2016-01-15", "06:00", 0}};
    const ChartGeometry g = ComputeChart(OneDay(kValueShaking, kStyleBars), rows);
    ASSERT_EQ(g.bars.size(), 2u);
    EXPECT_FALSE(g.valueAxis.logarithmic);
    EXPECT_NEAR(g.bars[0].height, g.plot.Height() / 2, 1);
    EXPECT_EQ(g.bars[1].y, g.plot.top);
    EXPECT_EQ(g.bars[1].row, 1);
    // The magnitude chart of the same rows goes by the magnitudes.
    const ChartGeometry m = ComputeChart(OneDay(kValueMagnitude, kStyleBars), rows);
    ASSERT_EQ(m.bars.size(), 3u);
    EXPECT_NEAR(m.bars[2].height, m.plot.Height() * 0.9, 1);
}

TEST(HistoryChart, BarsAreAtLeastTwoWideAndTheSelectedOneStandsOut) {
    test::ScopedTimeZone tz("UTC");
    const std::vector<ChartRow> rows = {
        {"5.0", "2016-01-15", "12:00"}, {"4.0", "2016-01-15", "06:00"}, {"3.0", "2016-01-15", "03:00"}};
    for (const int width : {120, 600, 3000}) {
        const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleBars, 1, width), rows);
        ASSERT_EQ(g.bars.size(), 3u) << width;
        EXPECT_GE(g.bars[0].width, 2) << width;
        EXPECT_EQ(g.bars[0].ink, ChartInk::kBar);
        // Drawn last, so that a neighbour never hides it; wider, in its own ink, on its own place.
        EXPECT_EQ(g.bars.back().row, 1) << width;
        EXPECT_EQ(g.bars.back().ink, ChartInk::kSelected);
        EXPECT_GT(g.bars.back().width, g.bars[0].width);
        EXPECT_NEAR(Center(g.bars.back()), g.plot.left + g.plot.Width() / 4, 1) << width;
    }
    EXPECT_GT(ComputeChart(OneDay(kValueMagnitude, kStyleBars, -1, 1439), rows).bars[0].width, 2);
}

TEST(HistoryChart, JoinedPointsRunFromTheNewestAndMarkTheSelected) {
    test::ScopedTimeZone tz("UTC");
    const std::vector<ChartRow> rows = {{"5.0", "2016-01-15", "12:00"}, {"10.0", "2016-01-15", "06:00"}};
    const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleJoined, 1), rows);
    EXPECT_TRUE(g.bars.empty());
    ASSERT_EQ(g.polyline.size(), 2u);
    EXPECT_NEAR(g.polyline[0].x, g.plot.left + g.plot.Width() / 2, 1);
    EXPECT_NEAR(g.polyline[0].y, g.plot.bottom - g.plot.Height() / 2, 1);
    EXPECT_EQ(g.polyline[1].y, g.plot.top);
    ASSERT_EQ(g.markers.size(), 2u);
    EXPECT_EQ(g.markers[0].ink, ChartInk::kLine);
    EXPECT_EQ(g.markers.back().row, 1);
    EXPECT_EQ(g.markers.back().ink, ChartInk::kSelected);

    // A single event is a visible dot, not a pen move only.
    const ChartGeometry one = ComputeChart(OneDay(kValueMagnitude, kStyleJoined), {rows[0]});
    EXPECT_EQ(one.markers.size(), 1u);
}

TEST(HistoryChart, JoinedPointsTooDenseForLinesAreMarksOfTheirOwn) {
    test::ScopedTimeZone tz("UTC");
    // A point a minute across the day on plots of a few widths: lines only while a row has two pixels.
    std::vector<std::string> times;
    for (int m = 0; m < 600; ++m) {
        times.push_back((m / 60 < 10 ? "0" : "") + std::to_string(m / 60) + ":" + (m % 60 < 10 ? "0" : "") +
                        std::to_string(m % 60));
    }
    std::vector<ChartRow> rows;
    for (const std::string& t : times) {
        rows.push_back({"4.0", "2016-01-15", t});
    }
    for (const int width : {800, 1600, 3000}) {
        const ChartGeometry g = ComputeChart(OneDay(kValueMagnitude, kStyleJoined, 7, width), rows);
        const bool lines = static_cast<int>(rows.size()) * 2 <= g.plot.Width();
        EXPECT_EQ(g.polyline.size(), lines ? rows.size() : 0u) << width;
        // Every row keeps a mark where it has no line, and the selected one is marked last.
        if (!lines) {
            ASSERT_EQ(g.markers.size(), rows.size()) << width;
            EXPECT_EQ(g.markers.back().ink, ChartInk::kSelected);
            EXPECT_LE(g.markers[0].width, 2);
        }
    }
    EXPECT_TRUE(ComputeChart(OneDay(kValueMagnitude, kStyleJoined, -1, 800), rows).polyline.empty());
    EXPECT_EQ(ComputeChart(OneDay(kValueMagnitude, kStyleJoined, -1, 1400), rows).polyline.size(), rows.size());
}

TEST(HistoryChart, OddInputsDrawWhatTheyCan) {
    test::ScopedTimeZone tz("UTC");
    ChartInput reversed = OneDay(kValueMagnitude, kStyleBars);
    reversed.from = {2016, 1, 16};
    const ChartGeometry r = ComputeChart(reversed, {{"5.0", "2016-01-15", "12:00"}});
    EXPECT_TRUE(r.bars.empty());
    EXPECT_TRUE(r.labels.empty());
    // Short or garbled texts neither crash nor overflow.
    const ChartGeometry g = ComputeChart(OneDay(kValueEnergy, kStyleBars),
                                         {{"1e308", "20", ""}, {"inf", "", "1"}, {"-1e308", "2016-13-45", "99:99"}});
    EXPECT_LE(g.bars.size(), 3u);
    // Too small for labels: the marks alone, 5 pixels below the top at most.
    const ChartGeometry small =
        ComputeChart(OneDay(kValueMagnitude, kStyleBars, -1, 60, 30), {{"10.0", "2016-01-15", "12:00"}});
    EXPECT_TRUE(small.labels.empty());
    ASSERT_EQ(small.bars.size(), 1u);
    EXPECT_EQ(small.bars[0].y, 20 + 5);
}

QImage Render(const ChartGeometry& g, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChart(painter, g, QApplication::palette());
    return image;
}

int Count(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            n += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

TEST(HistoryChart, PaintedInThePalettesColoursWithLabels) {
    test::ScopedTimeZone tz("UTC");
    const QPalette palette = QApplication::palette();
    const QRgb base = palette.color(QPalette::Base).rgb();
    const QRgb bar = palette.color(QPalette::Highlight).rgb();
    const QRgb text = palette.color(QPalette::Text).rgb();
    ChartInput in = OneDay(kValueMagnitude, kStyleBars, 0, 600, 160);
    in.frame = {0, 0, 600, 160};
    const std::vector<ChartRow> rows = {{"5.0", "2016-01-15", "12:00"}, {"5.0", "2016-01-15", "06:00"}};
    const ChartGeometry g = ComputeChart(in, rows);
    const QImage image = Render(g, QSize(600, 160));
    const ChartBox& plain = g.bars[0];
    const ChartBox& selected = g.bars[1];
    EXPECT_EQ(image.pixel(Center(plain), plain.y + 2), bar);
    EXPECT_EQ(image.pixel(plain.x, plain.y - 2), base);  // beside the time grid line at its centre
    const QRgb accent = image.pixel(Center(selected), selected.y + selected.height / 2);
    EXPECT_NE(accent, bar);
    EXPECT_NE(accent, base);
    EXPECT_EQ(image.pixel(0, 0), text);  // the frame's border
    // The value labels left of the plot and the time labels below it are drawn in the text colour.
    EXPECT_GT(Count(image, QRect(1, 1, g.plot.left - 6, g.plot.bottom), text), 10);
    EXPECT_GT(Count(image, QRect(g.plot.left, g.plot.bottom + 5, g.plot.Width(), 158 - g.plot.bottom - 5), text), 10);

    // Joined points are another picture, still in the palette's colours.
    in.chartStyle = kStyleJoined;
    const QImage joined = Render(ComputeChart(in, rows), QSize(600, 160));
    EXPECT_TRUE(joined != image);
    EXPECT_GT(Count(joined, QRect(g.plot.left, g.plot.top, g.plot.Width(), g.plot.Height()), bar), 0);
}

}  // namespace
}  // namespace dravik
