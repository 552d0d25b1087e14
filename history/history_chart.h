#pragma once

#include <string_view>
#include <vector>

#include "history/history_query.h"

// The history chart as plain values: the window paints exactly what ComputeChart gives.
namespace dravik {

// Doubles per magnitude unit and rises linearly within a unit, from 1 at magnitude 0.
double EnergyFromMagnitude(double x);

// Chart geometry. Rectangles follow the window system's rule: right and bottom are exclusive.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct ChartColor {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const ChartColor& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline constexpr ChartColor kChartBackground{255, 255, 128};
inline constexpr ChartColor kBarColor{200, 0, 0};
inline constexpr ChartColor kSelectedBarColor{0, 0, 200};

struct ChartBar {
    int row = 0;  // the list row it stands for
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    ChartColor color;
};

struct ChartPoint {
    int x = 0;
    int y = 0;
};

enum ChartValueKind { kValueMagnitude = 0, kValueEnergy = 1 };
enum ChartStyle { kStyleBars = 0, kStyleJoined = 1 };

// The three texts of one list row the chart reads.
struct ChartRow {
    std::string_view mag;   // column 0
    std::string_view date;  // column 2, "YYYY-MM-DD"
    std::string_view time;  // column 3, "HH:MM"
};

struct ChartInput {
    ChartRect frame;
    CalendarDate from;
    CalendarDate to;
    int valueKind = kValueMagnitude;
    int chartStyle = kStyleBars;
    int selected = -1;  // the first selected row, or -1
};

struct ChartGeometry {
    ChartRect background;              // filled with kChartBackground; inside the frame's 1-pixel border
    std::vector<ChartBar> bars;        // bars style: one per row with a visible height, in row order
    std::vector<ChartPoint> polyline;  // joined style: one per row, newest first; lines join neighbours
};

// `rows` are the list rows in list order (newest first).
ChartGeometry ComputeChart(const ChartInput& input, const std::vector<ChartRow>& rows);

}  // namespace dravik
