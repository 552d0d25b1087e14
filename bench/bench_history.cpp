// The history window on a 1,000,000-row archive (opening it, refilling the list for two days and for a
// year), the chart for 10,000 listed events (geometry alone, and geometry with the painting) and the window's
// whole chart redraw with about 10,000 events listed.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_archive.h"
#include "history/chart_painter.h"
#include "history/history_chart.h"
#include "history/history_dlg.h"
#include "platform/qt/dialog_builder.h"
#include "store/event_table.h"

namespace dravik {
namespace {

constexpr int kRows = 1000000;
constexpr int kDays = 6667;                           // about 150 events a day, as the feed sees them
const char* const kArchive = "bench_history_1m.dat";  // made once, kept in the working directory

using bench::Mix;

// Day 0 is 2000-01-01.
CalendarDate DayDate(int day) {
    std::tm parts{};
    parts.tm_year = 100;
    parts.tm_mday = 1 + day;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    std::mktime(&parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

void Generate(const std::string& path) {
    int lastDay = -1;
    std::string date;
    bench::GenerateArchive(path, kRows, [&](int i) {
        const std::uint64_t r = Mix(static_cast<std::uint64_t>(i));
        const int day = static_cast<int>(static_cast<std::int64_t>(i) * kDays / kRows);
        if (day != lastDay) {  // one date conversion per day, not per row
            date = DateText(DayDate(day));
            lastDay = day;
        }
        char mag[16];
        char time[16];
        char wsp1[16];
        char wsp2[16];
        std::snprintf(mag, sizeof mag, "%.1f", 2.0 + static_cast<double>(r % 50) / 10.0);
        std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>((r >> 20) % 24),
                      static_cast<int>((r >> 28) % 60));
        std::snprintf(wsp1, sizeof wsp1, "%.2f", -60.0 + static_cast<double>((r >> 34) % 13000) / 100.0);
        std::snprintf(wsp2, sizeof wsp2, "%.2f", -180.0 + static_cast<double>((r >> 48) % 36000) / 100.0);
        return bench::ArchiveRow{mag, "REGION " + std::to_string((r >> 8) % 400), date, time, wsp1, wsp2};
    });
}

const std::string& Archive() {
    static const std::string path = [] {
        if (!std::filesystem::exists(kArchive)) {
            Generate(kArchive);
        }
        return std::string(kArchive);
    }();
    return path;
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_history";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

// The window's queries run on threads of their own; their rows arrive as queued calls.
void WaitLoaded(const CHistoryDlg& dlg) {
    while (dlg.IsLoading()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// A window opened on the archive with "now" in the middle of its last year, its rows listed.
std::unique_ptr<CHistoryDlg> OpenWindow() {
    App();
    CHistoryDlg::Options options;
    options.databasePath = Archive();
    options.now = [] {
        const CalendarDate d = DayDate(kDays - 180);
        std::tm parts{};
        parts.tm_year = d.year - 1900;
        parts.tm_mon = d.month - 1;
        parts.tm_mday = d.day;
        parts.tm_hour = 12;
        parts.tm_isdst = -1;
        return std::mktime(&parts);
    };
    auto dlg = std::make_unique<CHistoryDlg>(options);
    WaitLoaded(*dlg);
    return dlg;
}

void BM_OpenWindow(benchmark::State& state) {
    Archive();
    for (auto _ : state) {
        auto dlg = OpenWindow();
        benchmark::DoNotOptimize(dlg->ListedRows().size());
    }
}

void RefreshFor(benchmark::State& state, int days) {
    auto dlg = OpenWindow();
    auto* from = qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1010));
    auto* to = qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1011));
    from->setDate(to->date().addDays(-(days - 1)));
    for (auto _ : state) {
        dlg->RefreshList();
        WaitLoaded(*dlg);
    }
    state.counters["rows"] = static_cast<double>(dlg->ListedRows().size());
}

void BM_RefreshList_TwoDays(benchmark::State& state) {
    RefreshFor(state, 2);
}
void BM_RefreshList_OneYear(benchmark::State& state) {
    RefreshFor(state, 365);
}

// 10,000 events over 67 days, newest first, on a frame of the window's chart size.
struct ChartCase {
    std::vector<std::string> mags, dates, times;
    std::vector<ChartRow> rows;
    ChartInput input;

    explicit ChartCase(int style) {
        const int n = 10000;
        for (int i = 0; i < n; ++i) {
            const std::uint64_t r = Mix(static_cast<std::uint64_t>(i));
            const int minute = (n - 1 - i) * 67 * 1440 / n;
            char mag[16];
            char time[16];
            std::snprintf(mag, sizeof mag, "%.1f", 2.0 + static_cast<double>(r % 50) / 10.0);
            std::snprintf(time, sizeof time, "%02d:%02d", minute % 1440 / 60, minute % 60);
            mags.emplace_back(mag);
            dates.push_back(DateText(DayDate(6000 + minute / 1440)));
            times.emplace_back(time);
        }
        for (int i = 0; i < n; ++i) {
            rows.push_back({mags[i], dates[i], times[i]});
        }
        input.frame = {0, 0, 560, 107};
        input.from = DayDate(6000);
        input.to = DayDate(6066);
        input.valueKind = kValueEnergy;
        input.chartStyle = style;
        input.selected = 5000;
        input.lang = "PL";
    }
};

void BM_ChartGeometry(benchmark::State& state) {
    const ChartCase c(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeChart(c.input, c.rows));
    }
}

void BM_ChartGeometryAndPaint(benchmark::State& state) {
    App();
    const ChartCase c(static_cast<int>(state.range(0)));
    QImage image(560, 107, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setClipRect(image.rect());
        PaintChart(painter, ComputeChart(c.input, c.rows), QApplication::palette());
    }
}

// What a change of a control costs once the rows are there: the window reads the list and the controls,
// computes the chart and paints it, axes and labels included (67 days of the archive, about 10,000 events).
void BM_ChartRedraw_Window(benchmark::State& state) {
    auto dlg = OpenWindow();
    auto* from = qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1010));
    auto* to = qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1011));
    from->setDate(to->date().addDays(-66));
    WaitLoaded(*dlg);
    if (state.range(0) == kStyleJoined) {
        qobject_cast<QAbstractButton*>(FindControl(dlg.get(), 1017))->click();
        WaitLoaded(*dlg);
    }
    dlg->resize(1200, 800);
    QWidget* chart = FindControl(dlg.get(), 1013);
    for (auto _ : state) {
        benchmark::DoNotOptimize(chart->grab());
    }
    state.counters["rows"] = static_cast<double>(dlg->ListedRows().size());
    state.counters["width"] = chart->width();
}

BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_RefreshList_TwoDays)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RefreshList_OneYear)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChartGeometry)->Arg(kStyleBars)->Arg(kStyleJoined)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartGeometryAndPaint)->Arg(kStyleBars)->Arg(kStyleJoined)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartRedraw_Window)->Arg(kStyleBars)->Arg(kStyleJoined)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace dravik
