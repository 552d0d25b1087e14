#include "history/history_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "app/ui_texts.h"
#include "shaking/intensity.h"

namespace dravik {

double EnergyFromMagnitude(double x) {
    if (std::isnan(x)) {
        return x;
    }
    if (x <= 0.0) {
        return std::exp2(x);
    }
    if (x <= 1.0) {
        return 1.0 + 2.0 * x;
    }
    // Past the double range the result is infinite; checked first so that floor() fits an int.
    if (x > 2000.0) {
        return std::numeric_limits<double>::infinity();
    }
    // 3 at 1, doubling at each whole number, linear in between.
    const double whole = std::floor(x);
    return std::ldexp(3.0, static_cast<int>(whole) - 1) * (1.0 + (x - whole));
}

namespace {

constexpr int kTickLength = 4;
constexpr int kLabelGap = 8;  // between two time labels
constexpr int kDefaultCharWidth = 7;
constexpr int kTopMarginWithoutAxes = 5;
constexpr int kMinPlotWidth = 40;
constexpr int kMinPlotHeight = 20;
constexpr long long kMinutesPerDay = 1440;

long long FloorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
long long FloorMod(long long a, long long b) {
    return a - FloorDiv(a, b) * b;
}
long long CeilDiv(long long a, long long b) {
    return -FloorDiv(-a, b);
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar; months outside 1-12 roll into years.
long long DaysFromCivil(long long year, long long month, long long day) {
    const long long months = year * 12 + (month - 1);
    year = FloorDiv(months, 12);
    month = FloorMod(months, 12) + 1;
    year -= month <= 2 ? 1 : 0;
    const long long era = FloorDiv(year, 400);
    const long long yoe = year - era * 400;
    const long long mp = month > 2 ? month - 3 : month + 9;
    const long long doy = (153 * mp + 2) / 5 + (day - 1);
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int year = 1970;
    int month = 1;
    int day = 1;
};

Civil CivilFromDays(long long z) {
    z += 719468;
    const long long era = FloorDiv(z, 146097);
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    Civil c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
    return c;
}

int DefaultTextWidth(const std::string& text) {
    int chars = 0;
    for (const char c : text) {
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;  // UTF-8 continuation bytes not counted
    }
    return chars * kDefaultCharWidth;
}

int Measure(const TextWidth& textWidth, const std::string& text) {
    return textWidth ? textWidth(text) : DefaultTextWidth(text);
}

std::string TwoDigits(int v) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", v);
    return buffer;
}

// The shortest time a step can take, in minutes (a month: 28 days).
long long MinStepMinutes(const TimeStep& step) {
    switch (step.unit) {
        case TimeUnit::kHour:
            return 60LL * step.count;
        case TimeUnit::kDay:
            return kMinutesPerDay * step.count;
        case TimeUnit::kMonth:
            return 28 * kMinutesPerDay * step.count;
        case TimeUnit::kYear:
            return 365 * kMinutesPerDay * step.count;
    }
    return kMinutesPerDay;
}

std::string DayLabel(const std::string& lang, long long dayIndex) {
    const Civil c = CivilFromDays(dayIndex);
    return ChartDayLabel(lang, c.month, c.day);
}

std::vector<TimeTick> TicksFor(const TimeStep& step, long long start, long long end, const std::string& lang) {
    std::vector<TimeTick> ticks;
    switch (step.unit) {
        case TimeUnit::kHour: {
            const long long every = 60LL * step.count;
            for (long long t = CeilDiv(start, every) * every; t <= end; t += every) {
                const long long minuteOfDay = FloorMod(t, kMinutesPerDay);
                ticks.push_back({t, minuteOfDay == 0 ? DayLabel(lang, FloorDiv(t, kMinutesPerDay))
                                                     : TwoDigits(static_cast<int>(minuteOfDay / 60)) + ":" +
                                                           TwoDigits(static_cast<int>(minuteOfDay % 60))});
            }
            break;
        }
        case TimeUnit::kDay: {
            // Weeks start on Mondays (day 0, 1970-01-01, was a Thursday).
            const long long offset = step.count % 7 == 0 ? 3 : 0;
            long long day = CeilDiv(start, kMinutesPerDay);
            day += FloorMod(-(day + offset), step.count);
            for (; day * kMinutesPerDay <= end; day += step.count) {
                ticks.push_back({day * kMinutesPerDay, DayLabel(lang, day)});
            }
            break;
        }
        case TimeUnit::kMonth: {
            const Civil first = CivilFromDays(CeilDiv(start, kMinutesPerDay));
            long long month = static_cast<long long>(first.year) * 12 + (first.month - 1);
            if (first.day != 1) {
                ++month;
            }
            month += FloorMod(-month, step.count);
            for (;; month += step.count) {
                const int year = static_cast<int>(FloorDiv(month, 12));
                const int monthOfYear = static_cast<int>(FloorMod(month, 12)) + 1;
                const long long t = DaysFromCivil(year, monthOfYear, 1) * kMinutesPerDay;
                if (t > end) {
                    break;
                }
                if (t >= start) {
                    ticks.push_back({t, ChartMonthLabel(lang, year, monthOfYear, monthOfYear == 1 || ticks.empty())});
                }
            }
            break;
        }
        case TimeUnit::kYear: {
            const Civil first = CivilFromDays(CeilDiv(start, kMinutesPerDay));
            long long year = first.year + ((first.month == 1 && first.day == 1) ? 0 : 1);
            year += FloorMod(-year, step.count);
            for (;; year += step.count) {
                const long long t = DaysFromCivil(year, 1, 1) * kMinutesPerDay;
                if (t > end) {
                    break;
                }
                ticks.push_back({t, std::to_string(year)});
            }
            break;
        }
    }
    return ticks;
}

constexpr std::array<TimeStep, 23> kTimeSteps = {{
    {TimeUnit::kHour, 1},   {TimeUnit::kHour, 2},   {TimeUnit::kHour, 3},    {TimeUnit::kHour, 6},
    {TimeUnit::kHour, 12},  {TimeUnit::kDay, 1},    {TimeUnit::kDay, 2},     {TimeUnit::kDay, 7},
    {TimeUnit::kDay, 14},   {TimeUnit::kMonth, 1},  {TimeUnit::kMonth, 2},   {TimeUnit::kMonth, 3},
    {TimeUnit::kMonth, 6},  {TimeUnit::kYear, 1},   {TimeUnit::kYear, 2},    {TimeUnit::kYear, 5},
    {TimeUnit::kYear, 10},  {TimeUnit::kYear, 20},  {TimeUnit::kYear, 50},   {TimeUnit::kYear, 100},
    {TimeUnit::kYear, 200}, {TimeUnit::kYear, 500}, {TimeUnit::kYear, 1000},
}};

std::string Superscript(long long n) {
    static const char* const kDigits[] = {"⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹"};
    std::string out = n < 0 ? "⁻" : "";
    for (const char c : std::to_string(n < 0 ? -n : n)) {
        out += kDigits[c - '0'];
    }
    return out;
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
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

double ChartValue(const ChartRow& row, int valueKind) {
    if (valueKind == kValueShaking) {
        return std::clamp(row.shaking, 0, kMaxIntensity);
    }
    double v = AtofC(row.mag);
    if (!std::isfinite(v)) {
        v = 0.0;  // "nan" and "inf" are no magnitudes
    }
    return valueKind == kValueEnergy ? EnergyFromMagnitude(v) : v;
}

// Rows come sorted by date, so the last date's day number is kept.
class RowMinutes {
public:
    long long At(std::string_view date, std::string_view time) {
        const int year = FieldAt(date, 0, 4);
        const int month = FieldAt(date, 5, 2);
        const int day = FieldAt(date, 8, 2);
        if (!m_valid || year != m_year || month != m_month || day != m_day) {
            m_dayMinute = DaysFromCivil(year, month, day) * kMinutesPerDay;
            m_year = year;
            m_month = month;
            m_day = day;
            m_valid = true;
        }
        return m_dayMinute + FieldAt(time, 0, 2) * 60LL + FieldAt(time, 3, 2);
    }

private:
    bool m_valid = false;
    int m_year = 0;
    int m_month = 0;
    int m_day = 0;
    long long m_dayMinute = 0;
};

// Where a value stands on the plot's height: 0 at the bottom, 1 at the top.
double ValueFraction(const ValueAxis& axis, double v) {
    if (axis.logarithmic) {
        if (!(v > 0.0)) {
            return 0.0;
        }
        return (std::log10(v) - axis.low) / (axis.high - axis.low);
    }
    return (v - axis.low) / (axis.high - axis.low);
}

}  // namespace

long long CivilMinutes(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil(year, month, day) * kMinutesPerDay + hour * 60LL + minute;
}

TimeAxis ChooseTimeAxis(long long startMinute, long long endMinute, int width, const std::string& lang,
                        const TextWidth& textWidth) {
    TimeAxis axis;
    if (endMinute <= startMinute || width <= 0) {
        return axis;
    }
    const double pixelsPerMinute = static_cast<double>(width) / static_cast<double>(endMinute - startMinute);
    for (std::size_t i = 0; i < kTimeSteps.size(); ++i) {
        const TimeStep& step = kTimeSteps[i];
        const double spacing = static_cast<double>(MinStepMinutes(step)) * pixelsPerMinute;
        const bool last = i + 1 == kTimeSteps.size();
        // Too crowded for any label: not worth making the ticks.
        if (spacing < kLabelGap + kDefaultCharWidth && !last) {
            continue;
        }
        std::vector<TimeTick> ticks = TicksFor(step, startMinute, endMinute, lang);
        int widest = 0;
        for (const TimeTick& tick : ticks) {
            widest = std::max(widest, Measure(textWidth, tick.label));
        }
        if (spacing >= widest + kLabelGap || last) {
            axis.step = step;
            axis.ticks = std::move(ticks);
            return axis;
        }
    }
    return axis;
}

ValueAxis ChooseValueAxis(int valueKind, double minValue, double maxValue, int height, int minSpacing) {
    ValueAxis axis;
    const int spacing = std::max(1, minSpacing);
    if (valueKind == kValueEnergy) {
        axis.logarithmic = true;
        // Decades far below or above anything real are cut off: the bars are clipped there.
        double low = 0.0;
        if (minValue > 0.0 && std::isfinite(minValue)) {
            low = std::min(0.0, std::floor(std::log10(minValue)));
        }
        double high = 1.0;
        if (maxValue > 0.0) {
            high = std::isfinite(maxValue) ? std::max(1.0, std::ceil(std::log10(maxValue))) : 308.0;
        }
        axis.low = std::max(low, -12.0);
        axis.high = std::min(high, 308.0);
        const double decades = axis.high - axis.low;
        long long every = 1;
        while (height > 0 && height * every / decades < spacing && every < 1000) {
            every = every == 1 ? 2 : every == 2 ? 3 : every * 2;
        }
        for (long long e = static_cast<long long>(axis.low); e <= static_cast<long long>(axis.high); ++e) {
            if (FloorMod(e, every) == 0) {
                axis.ticks.push_back({static_cast<double>(e), "10" + Superscript(e)});
            }
        }
        return axis;
    }
    axis.low = 0.0;
    if (valueKind == kValueShaking) {
        axis.high = kMaxIntensity;
        static const int kLevelSteps[] = {1, 2, 3, 4, 6, 12};
        int every = 12;
        for (const int s : kLevelSteps) {
            if (height > 0 && height * s / axis.high >= spacing) {
                every = s;
                break;
            }
        }
        for (int level = every; level <= kMaxIntensity; level += every) {
            axis.ticks.push_back({static_cast<double>(level), RomanNumeral(level)});
        }
        return axis;
    }
    axis.high = 10.0;
    if (maxValue > 10.0) {
        axis.high = std::isfinite(maxValue) ? std::min(std::ceil(maxValue), 1000.0) : 1000.0;
    }
    static const int kSteps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    int step = 1000;
    for (const int s : kSteps) {
        if (height > 0 && height * s / axis.high >= spacing) {
            step = s;
            break;
        }
    }
    for (int v = 0; v <= axis.high; v += step) {
        axis.ticks.push_back({static_cast<double>(v), std::to_string(v)});
    }
    return axis;
}

ChartGeometry ComputeChart(const ChartInput& input, const std::vector<ChartRow>& rows) {
    const ChartRect& frame = input.frame;
    ChartGeometry chart;
    chart.frame = frame;
    chart.background = {frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    const ChartRect& bg = chart.background;
    chart.plot = bg;

    const long long start = CivilMinutes(input.from.year, input.from.month, input.from.day, 0, 0);
    const long long end = CivilMinutes(input.to.year, input.to.month, input.to.day, 0, 0) + kMinutesPerDay;
    // A from date after the to date leaves no range to place marks in (and no listed rows either).
    if (end <= start || bg.Width() <= 0 || bg.Height() <= 0) {
        return chart;
    }

    std::vector<double> values(rows.size());
    double minValue = std::numeric_limits<double>::infinity();
    double maxValue = 0.0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        values[i] = ChartValue(rows[i], input.valueKind);
        if (values[i] > 0.0) {
            minValue = std::min(minValue, values[i]);
        }
        maxValue = std::max(maxValue, values[i]);
    }

    // The plot leaves room for the labels: the values on the left, the times below.
    const int textHeight = std::max(1, input.textHeight);
    const int titleHeight = input.valueTitle.empty() ? 0 : textHeight + 2;
    ChartRect plot{bg.left, bg.top + titleHeight + textHeight / 2 + 2, bg.right - kLabelGap,
                   bg.bottom - (kTickLength + textHeight + 2)};
    chart.valueAxis = ChooseValueAxis(input.valueKind, minValue, maxValue, plot.Height(), textHeight + 4);
    int widestValue = 0;
    for (const ValueTick& tick : chart.valueAxis.ticks) {
        widestValue = std::max(widestValue, Measure(input.textWidth, tick.label));
    }
    plot.left = bg.left + 3 + widestValue + 2 + kTickLength + 1;
    const bool axes = plot.Width() >= kMinPlotWidth && plot.Height() >= kMinPlotHeight;
    if (!axes) {
        // Too small for labels: the events alone, over the whole inside.
        plot = {bg.left, bg.top + kTopMarginWithoutAxes - 1, bg.right, bg.bottom};
        chart.valueAxis = ChooseValueAxis(input.valueKind, minValue, maxValue, 0, 1);
        chart.valueAxis.ticks.clear();
    } else {
        chart.timeAxis = ChooseTimeAxis(start, end, plot.Width(), input.lang, input.textWidth);
    }
    chart.plot = plot;

    const double plotWidth = plot.Width();
    const double plotHeight = plot.Height();
    const double span = static_cast<double>(end - start);
    const auto xAt = [&](long long minute) {
        return plot.left + static_cast<double>(minute - start) / span * plotWidth;
    };
    const auto yAt = [&](double v) {
        const double f = std::clamp(ValueFraction(chart.valueAxis, v), 0.0, 1.0);
        return plot.bottom - f * plotHeight;
    };

    if (axes) {
        // The grid first, then the axes over it, each tick with its label.
        for (const ValueTick& tick : chart.valueAxis.ticks) {
            const int y = Trunc(yAt(chart.valueAxis.logarithmic ? std::pow(10.0, tick.value) : tick.value));
            if (tick.value > chart.valueAxis.low) {
                chart.lines.push_back({plot.left, y, plot.right - 1, y, ChartInk::kGrid});
            }
            chart.lines.push_back({plot.left - 1 - kTickLength, y, plot.left - 1, y, ChartInk::kAxis});
            const int top = std::clamp(y - textHeight / 2, bg.top, bg.bottom - textHeight);
            chart.labels.push_back({{bg.left + 1, top, plot.left - 1 - kTickLength - 2, top + textHeight},
                                    tick.label,
                                    LabelAlign::kRight});
        }
        int lastLabelRight = std::numeric_limits<int>::min();
        for (const TimeTick& tick : chart.timeAxis.ticks) {
            const int x = Trunc(xAt(tick.minute));
            chart.lines.push_back({x, plot.top, x, plot.bottom - 1, ChartInk::kGrid});
            chart.lines.push_back({x, plot.bottom, x, plot.bottom + kTickLength, ChartInk::kAxis});
            const int w = Measure(input.textWidth, tick.label) + 2;
            const int left = std::clamp(x - w / 2, bg.left, std::max(bg.left, bg.right - w));
            // A label pushed into its neighbour by the frame's edge is left out.
            if (left < lastLabelRight + 2) {
                continue;
            }
            const int top = plot.bottom + kTickLength + 1;
            chart.labels.push_back({{left, top, left + w, top + textHeight}, tick.label, LabelAlign::kCenter});
            lastLabelRight = left + w;
        }
        if (!input.valueTitle.empty()) {
            chart.labels.push_back({{bg.left + 3, bg.top + 1, bg.right - 1, bg.top + 1 + textHeight},
                                    input.valueTitle,
                                    LabelAlign::kLeft});
        }
        chart.lines.push_back({plot.left - 1, plot.top, plot.left - 1, plot.bottom, ChartInk::kAxis});
        chart.lines.push_back({plot.left - 1, plot.bottom, plot.right - 1, plot.bottom, ChartInk::kAxis});
    }

    // Bars widen with the plot so that a wide window does not turn them into hairlines.
    chart.barWidth = std::clamp(plot.Width() / 150, 2, 6);
    RowMinutes minutes;
    std::optional<ChartBox> selectedMark;
    if (input.chartStyle == kStyleJoined) {
        const std::size_t width = static_cast<std::size_t>(std::max(0, plot.Width()));
        const bool dots = rows.size() * 4 <= width;
        // Past one point per two pixels the joining lines fill the plot as one band: the points alone say more.
        const bool join = rows.size() * 2 <= width;
        chart.polyline.reserve(join ? rows.size() : 0);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const ChartPoint p{Trunc(xAt(minutes.At(rows[i].date, rows[i].time))), Trunc(yAt(values[i]))};
            const int row = static_cast<int>(i);
            if (join) {
                chart.polyline.push_back(p);
            }
            if (row == input.selected) {
                selectedMark = ChartBox{row, p.x - 3, p.y - 3, 7, 7, ChartInk::kSelected};
            } else if (dots) {
                chart.markers.push_back({row, p.x - 1, p.y - 1, 3, 3, ChartInk::kLine});
            } else if (!join) {
                chart.markers.push_back({row, p.x, p.y - 1, 1, 2, ChartInk::kLine});
            }
        }
        if (selectedMark) {
            chart.markers.push_back(*selectedMark);
        }
        return chart;
    }
    chart.bars.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int top = Trunc(yAt(values[i]));
        const int height = plot.bottom - top;
        if (height <= 0) {
            continue;
        }
        const int x = Trunc(xAt(minutes.At(rows[i].date, rows[i].time)));
        const int row = static_cast<int>(i);
        if (row == input.selected) {
            const int w = chart.barWidth + 2;
            selectedMark = ChartBox{row, x - w / 2, top, w, height, ChartInk::kSelected};
        } else {
            chart.bars.push_back({row, x - chart.barWidth / 2, top, chart.barWidth, height, ChartInk::kBar});
        }
    }
    if (selectedMark) {
        chart.bars.push_back(*selectedMark);
    }
    return chart;
}

}  // namespace dravik
