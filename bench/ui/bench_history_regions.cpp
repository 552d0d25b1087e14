// The history window on archives of about one, three and twenty years of USGS places, which name nearly every
// quake differently (75,000 / 225,000 / 1,500,000 rows; 35,000 / 105,000 / 700,000 distinct regions). For each:
// the time from opening the window to its regions being listed, the time a year's range takes to be listed,
// and the longest the UI thread went without running its event loop meanwhile (a 10 ms timer's largest gap),
// dropping the region list down and closing the window included.
//
//   bench_history_regions [ROWS...]   (archives are made once, kept in the working directory)
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_archive.h"
#include "history/history_dlg.h"
#include "platform/qt/dialog_builder.h"

namespace {

using namespace dravik;
using Clock = std::chrono::steady_clock;

constexpr int kRowsADay = 205;             // 1,500,000 rows in twenty years
constexpr double kRegionsARow = 7.0 / 15;  // 700,000 regions in 1,500,000 rows
const char* const kDirections[] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                   "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Day 0 is 2000-01-01.
std::tm DayParts(int day) {
    std::tm parts{};
    parts.tm_year = 100;
    parts.tm_mday = 1 + day;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    std::mktime(&parts);
    return parts;
}

std::string MakeArchive(int rows) {
    const std::string path = "bench_history_regions_" + std::to_string(rows) + ".dat";
    if (std::filesystem::exists(path)) {
        return path;
    }
    const int regions = static_cast<int>(rows * kRegionsARow);
    int lastDay = -1;
    std::string date;
    bench::GenerateArchive(path, rows, [&](int i) {
        const std::uint64_t r = bench::Mix(static_cast<std::uint64_t>(i));
        const int day = i / kRowsADay;
        if (day != lastDay) {
            const std::tm parts = DayParts(day);
            date = DateText({parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday});
            lastDay = day;
        }
        // Every region at least once (a prime step walks them all), the rest at random: "12 km SSW of Place
        // 4711, CA".
        const std::uint64_t n = static_cast<std::uint64_t>(regions);
        const int region = static_cast<int>(i < regions ? static_cast<std::uint64_t>(i) * 1000003 % n : r % n);
        const std::string place = std::to_string(region % 97 + 1) + " km " + kDirections[region % 16] + " of Place " +
                                  std::to_string(region) + ", CA";
        char mag[16];
        char time[16];
        char wsp1[16];
        char wsp2[16];
        std::snprintf(mag, sizeof mag, "%.1f", 2.0 + static_cast<double>(r % 50) / 10.0);
        std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>((r >> 20) % 24),
                      static_cast<int>((r >> 28) % 60));
        std::snprintf(wsp1, sizeof wsp1, "%.2f", -60.0 + static_cast<double>((r >> 34) % 13000) / 100.0);
        std::snprintf(wsp2, sizeof wsp2, "%.2f", -180.0 + static_cast<double>((r >> 48) % 36000) / 100.0);
        return bench::ArchiveRow{mag, place, date, time, wsp1, wsp2};
    });
    return path;
}

// The largest gap between ticks of a 10 ms timer on the UI thread.
class StallMeter final {
public:
    StallMeter() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_last = Clock::now();
        m_timer.start();
    }
    // Counts the time since the last tick too: a stall still going when it is read.
    double LongestMs() {
        Tick();
        return m_longestMs;
    }
    // The longest since the last call; the whole run's stays counted.
    double PhaseMs() {
        Tick();
        const double phase = m_phaseMs;
        m_phaseMs = 0;
        return phase;
    }

private:
    void Tick() {
        m_phaseMs = std::max(m_phaseMs, MsSince(m_last));
        m_longestMs = std::max(m_longestMs, m_phaseMs);
        m_last = Clock::now();
    }
    QTimer m_timer;
    Clock::time_point m_last;
    double m_longestMs = 0;
    double m_phaseMs = 0;
};

template <typename Done>
void RunUntil(Done done) {
    while (!done()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void Measure(int rows, bool report) {
    const std::string path = MakeArchive(rows);
    const int days = (rows + kRowsADay - 1) / kRowsADay;
    CHistoryDlg::Options options;
    options.databasePath = path;
    options.now = [days] {
        std::tm parts = DayParts(days - 1);
        return std::mktime(&parts);
    };

    StallMeter meter;
    const Clock::time_point opened = Clock::now();
    auto dlg = std::make_unique<CHistoryDlg>(options);
    dlg->show();
    auto* combo = qobject_cast<QComboBox*>(FindControl(dlg.get(), 1014));
    RunUntil([&] { return combo->count() > 1; });
    const double listedMs = MsSince(opened);
    RunUntil([&] { return !dlg->IsLoading(); });
    const int regions = combo->count() - 1;
    const double openStallMs = meter.PhaseMs();

    combo->showPopup();
    QApplication::processEvents();
    combo->hidePopup();
    QApplication::processEvents();
    const double popupStallMs = meter.PhaseMs();

    auto* from = qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1010));
    auto* to = qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1011));
    const Clock::time_point asked = Clock::now();
    from->setDate(to->date().addDays(-364));  // refreshes at once
    RunUntil([&] { return !dlg->IsLoading(); });
    const double yearMs = MsSince(asked);
    const std::size_t yearRows = dlg->ListedRows().size();
    const double yearStallMs = meter.PhaseMs();

    dlg.reset();
    QApplication::processEvents();
    const double closeStallMs = meter.PhaseMs();
    if (!report) {
        return;
    }
    std::printf(
        "%9d rows %7d regions: regions listed %5.0f ms, year (%5zu rows) listed %5.0f ms; longest UI stall "
        "%5.1f ms (opening %.1f, list dropped down %.1f, year %.1f, closing %.1f)\n",
        rows, regions, listedMs, yearRows, yearMs, meter.LongestMs(), openStallMs, popupStallMs, yearStallMs,
        closeStallMs);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty()) {
        sizes = {75000, 225000, 1500000};
    }
    // The first window of the process also loads fonts, images and styles; that is not the archive's cost.
    Measure(1000, false);
    for (int rows : sizes) {
        Measure(rows, true);
    }
    return 0;
}
