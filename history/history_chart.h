#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "history/history_query.h"

// The history chart as plain values: the window paints exactly what ComputeChart gives.
namespace dravik {

// An energy value of a magnitude: doubles per magnitude unit (3 at 1, 48 at 5, 1536 at 10), rises linearly
// within a unit, 1 + 2x from 0 to 1 and 2^x below 0. It never falls as the magnitude grows and stays above 0,
// so it fits a log scale.
double EnergyFromMagnitude(double x);

// Chart geometry. Rectangles follow the window system's rule: right and bottom are exclusive.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// What a piece of the chart is drawn with; the painter maps each to a colour of the widget's palette.
enum class ChartInk {
    kBackground,  // the plot's ground
    kFrame,       // the frame's 1-pixel border
    kAxis,        // axis lines, ticks and labels
    kGrid,        // faint lines at the ticks across the plot
    kBar,         // an event
    kSelected,    // the selected event
    kLine,        // the line joining the points
};

struct ChartBox {
    int row = -1;  // the list row it stands for; -1 for none
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    ChartInk ink = ChartInk::kBar;
};

struct ChartLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    ChartInk ink = ChartInk::kAxis;
};

struct ChartPoint {
    int x = 0;
    int y = 0;
};

enum class LabelAlign { kCenter, kRight, kLeft };

// A text centred (or right-aligned) in its box, vertically centred.
struct ChartLabel {
    ChartRect box;
    std::string text;
    LabelAlign align = LabelAlign::kCenter;
};

// Shaking: the strongest expected intensity level at the user's places (ChartRow::shaking).
enum ChartValueKind { kValueMagnitude = 0, kValueEnergy = 1, kValueShaking = 2 };
enum ChartStyle { kStyleBars = 0, kStyleJoined = 1 };

// The three texts of one list row the chart reads, and its shaking level.
struct ChartRow {
    std::string_view mag;   // column 0
    std::string_view date;  // column 2, "YYYY-MM-DD"
    std::string_view time;  // column 3, "HH:MM"
    int shaking = 0;        // 1..12; 0: not known, no mark above the axis
};

// The width in pixels a label takes; empty: 7 pixels a character.
using TextWidth = std::function<int(const std::string& text)>;

struct ChartInput {
    ChartRect frame;
    CalendarDate from;
    CalendarDate to;
    int valueKind = kValueMagnitude;
    int chartStyle = kStyleBars;
    int selected = -1;    // the first selected row, or -1
    std::string lang;     // of the labels, "PL" or "EN"
    int textHeight = 12;  // a label's line height
    TextWidth textWidth;  // empty: 7 pixels a character
    // What the value axis shows, with its unit; written above it, left-aligned. Empty: no title.
    std::string valueTitle;
};

// Times on the horizontal axis count wall-clock minutes from 1970-01-01 00:00, as the texts say them:
// no time zone, no daylight-saving change.
long long CivilMinutes(int year, int month, int day, int hour, int minute);

// A tick of an axis: where it stands (minutes for time, the value for the vertical axis) and its label.
struct TimeTick {
    long long minute = 0;
    std::string label;
};

enum class TimeUnit { kHour, kDay, kMonth, kYear };
struct TimeStep {
    TimeUnit unit = TimeUnit::kDay;
    int count = 1;
    bool operator==(const TimeStep& o) const { return unit == o.unit && count == o.count; }
};

struct TimeAxis {
    TimeStep step;
    std::vector<TimeTick> ticks;  // within [start, end], in order
};

// The finest step (hours 1, 2, 3, 6, 12; days 1, 2; weeks from Mondays 1, 2; months 1, 2, 3, 6; years 1, 2, 5,
// 10, ...) whose labels fit side by side on `width` pixels, with its ticks. Hours read "06:00" and a
// midnight its day; days "5 mar" / "Mar 5"; months "mar" / "Mar", with the year in January and at the first
// tick; years "2016".
TimeAxis ChooseTimeAxis(long long startMinute, long long endMinute, int width, const std::string& lang,
                        const TextWidth& textWidth);

struct ValueTick {
    double value = 0;  // magnitude, or the power of ten for energy
    std::string label;
};

struct ValueAxis {
    double low = 0;   // the bottom of the plot: 0, or for energy the power of ten at its bottom
    double high = 0;  // the top: magnitude, or the power of ten at its top
    bool logarithmic = false;
    std::vector<ValueTick> ticks;
};

// Magnitude: 0 to 10 (higher when a value is), ticks at whole steps of 1, 2, 5, 10... that leave
// `minSpacing` pixels between labels on `height` pixels. Energy: from 10^0 (lower when a value is) to the
// power of ten at or above the largest value (at least 10^1), ticks at powers of ten ("10³"), every second
// or more when they do not fit. Shaking: levels 0 to 12, ticks at I..XII in steps of 1, 2, 3, 4, 6 that fit.
ValueAxis ChooseValueAxis(int valueKind, double minValue, double maxValue, int height, int minSpacing);

struct ChartGeometry {
    ChartRect frame;       // the whole chart; its border is drawn with kFrame
    ChartRect background;  // inside the border, filled with kBackground
    ChartRect plot;        // where the events stand; its bottom edge is the value axis's low end
    TimeAxis timeAxis;
    ValueAxis valueAxis;
    std::vector<ChartLine> lines;    // grid, axes, ticks
    std::vector<ChartLabel> labels;  // tick labels
    int barWidth = 0;
    // Bars style: one per row with a visible height, in row order, the selected one last (on top).
    std::vector<ChartBox> bars;
    // Joined style: one point per row in row order (newest first), lines joining neighbours; a dot on each
    // when they do not crowd, and the selected one's mark last. Past one row per two pixels of the plot's width
    // no lines (the polyline is empty): each row a small mark of its own.
    std::vector<ChartPoint> polyline;
    std::vector<ChartBox> markers;
};

// `rows` are the list rows in list order (newest first). The range is from the from date's 00:00 to the
// end of the to date.
ChartGeometry ComputeChart(const ChartInput& input, const std::vector<ChartRow>& rows);

}  // namespace dravik
