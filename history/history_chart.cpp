#include "history/history_chart.h"

#include <cmath>
#include <ctime>

namespace dravik {

double EnergyFromMagnitude(double x) {
    double a = 1.0;
    int i = 1;
    while (i < x) {
        a *= 2.0;
        ++i;
        // Past the double range the result stays infinite; stopping here keeps a huge text from looping.
        if (std::isinf(a)) {
            return a;
        }
    }
    return a * (2.0 * (x - (i - 1)) + 1.0);
}

namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int isdst) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_isdst = isdst;
    return std::mktime(&parts);
}

// The number at characters [pos, pos + len) of a text, read as atoi would; missing characters read as none.
int FieldAt(std::string_view text, std::size_t pos, std::size_t len) {
    if (pos >= text.size()) {
        return 0;
    }
    return static_cast<int>(AtoiC(text.substr(pos, len)));
}

// Truncation toward zero, kept inside int: far-off marks are clipped by the frame anyway.
int Trunc(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double kLimit = 1.0e8;
    if (v > kLimit) {
        return static_cast<int>(kLimit);
    }
    if (v < -kLimit) {
        return static_cast<int>(-kLimit);
    }
    return static_cast<int>(v);
}

double ChartValue(std::string_view mag, int valueKind) {
    double v = AtofC(mag);
    if (!std::isfinite(v)) {
        v = 0.0;  // "nan" and "inf" are no magnitudes
    }
    return valueKind == kValueEnergy ? EnergyFromMagnitude(v) : v;
}

// Event times are read as standard time. Rows come sorted by date, so the conversion of the last date is
// kept: mktime is by far the costliest step of the chart.
class StandardTimes {
public:
    std::time_t At(std::string_view date, std::string_view time) {
        const int year = FieldAt(date, 0, 4);
        const int month = FieldAt(date, 5, 2);
        const int day = FieldAt(date, 8, 2);
        if (!m_valid || year != m_year || month != m_month || day != m_day) {
            m_midnight = LocalTime(year, month, day, 0, 0, 0);
            m_year = year;
            m_month = month;
            m_day = day;
            m_valid = true;
        }
        const int hour = FieldAt(time, 0, 2);
        const int minute = FieldAt(time, 3, 2);
        return m_midnight + static_cast<std::time_t>(hour) * 3600 + static_cast<std::time_t>(minute) * 60;
    }

private:
    bool m_valid = false;
    int m_year = 0;
    int m_month = 0;
    int m_day = 0;
    std::time_t m_midnight = 0;
};

}  // namespace

ChartGeometry ComputeChart(const ChartInput& input, const std::vector<ChartRow>& rows) {
    const ChartRect& frame = input.frame;
    ChartGeometry chart;
    chart.background = {frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};

    const std::time_t start = LocalTime(input.from.year, input.from.month, input.from.day, 0, 0, -1);
    const std::time_t end = LocalTime(input.to.year, input.to.month, input.to.day, 23, 59, -1);
    const long long spanMinutes = static_cast<long long>(end - start) / 60;
    // A from date after the to date leaves no range to place marks in (and no listed rows either).
    if (spanMinutes <= 0 || rows.empty()) {
        return chart;
    }

    double scaleMax = 10.0;
    if (input.valueKind == kValueEnergy) {
        for (const ChartRow& row : rows) {
            const double e = ChartValue(row.mag, kValueEnergy);
            if (e > scaleMax) {
                scaleMax = e;
            }
        }
    }

    const double width = frame.right - frame.left;
    const double height = (frame.bottom - frame.top) - 5;
    StandardTimes times;
    if (input.chartStyle == kStyleJoined) {
        chart.polyline.reserve(rows.size());
    } else {
        chart.bars.reserve(rows.size());
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ChartRow& row = rows[i];
        const double v = ChartValue(row.mag, input.valueKind);
        const long long offsetMinutes = static_cast<long long>(times.At(row.date, row.time) - start) / 60;
        const double f = static_cast<double>(offsetMinutes) / static_cast<double>(spanMinutes);
        const double dx = width * f;
        const double bh = v / scaleMax * height;
        const int y = Trunc(frame.bottom - bh);
        if (input.chartStyle == kStyleJoined) {
            chart.polyline.push_back({Trunc(frame.left + dx - 1.0), y});
            continue;
        }
        const int barHeight = Trunc(bh);
        if (barHeight <= 0) {
            continue;
        }
        if (static_cast<int>(i) == input.selected) {
            chart.bars.push_back(
                {static_cast<int>(i), Trunc(frame.left + dx - 1.0), y, 3, barHeight, kSelectedBarColor});
        } else {
            chart.bars.push_back({static_cast<int>(i), Trunc(frame.left + dx), y, 1, barHeight, kBarColor});
        }
    }
    return chart;
}

}  // namespace dravik
