// "Which quakes could I have felt in twenty years": the history window's shaking filter on an archive of
// 1,000,000 quakes from 2004 to 2023, spread over the world's seismic belts with a Gutenberg-Richter mix of
// magnitudes (most of them small, as a catalogue with local networks holds them) and a depth for each. For a home in
// Warsaw, one in Tokyo, and ten places (the most the settings hold), at levels II to V:
//   - the loader's read (the prefilter's SQL, then the exact test of every row it keeps), best of three, wall-clock
//     and processor time;
//   - its statement alone, read and copied, through the table and through the date index;
//   - the sqlite3 shell running the same statement, best of three;
//   - the exact test over every row of the range without the prefilter, for comparison (once);
//   - the window itself: twenty years asked for with the filter on, until listed, and its longest UI stall.
//
//   bench_history_shaking [ROWS]   (the archive is made once, kept in the working directory)
#include <sqlite3.h>
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_archive.h"
#include "history/history_dlg.h"
#include "history/history_loader.h"
#include "history/history_query.h"
#include "history/history_template.h"
#include "platform/qt/dialog_builder.h"
#include "shaking/intensity.h"

namespace {

using namespace dravik;
using Clock = std::chrono::steady_clock;

constexpr int kYears = 20;
const CalendarDate kFirstDay{2004, 1, 1};
const CalendarDate kLastDay{2023, 12, 31};

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Where quakes happen: a centre, a spread in degrees, a share of the catalogue, whether local networks report
// its small quakes, and whether it has deep ones.
struct Belt {
    const char* region;
    double lat, lon, dLat, dLon, share;
    bool localNetwork, deep;
};
const Belt kBelts[] = {
    {"NEAR EAST COAST OF HONSHU, JAPAN", 36.5, 141.0, 5.0, 4.0, 0.12, true, true},
    {"KURIL ISLANDS", 47.0, 153.0, 4.0, 6.0, 0.04, false, true},
    {"SUMBAWA REGION, INDONESIA", -4.0, 117.0, 6.0, 20.0, 0.09, false, true},
    {"MINDANAO, PHILIPPINES", 11.0, 125.0, 6.0, 3.0, 0.04, false, true},
    {"FIJI REGION", -19.0, -178.0, 6.0, 5.0, 0.05, false, true},
    {"NORTH ISLAND OF NEW ZEALAND", -39.0, 176.0, 4.0, 3.0, 0.03, true, false},
    {"NORTHERN CHILE", -23.0, -69.5, 14.0, 3.0, 0.07, true, true},
    {"OAXACA, MEXICO", 16.0, -96.0, 4.0, 8.0, 0.04, false, true},
    {"CENTRAL CALIFORNIA", 36.0, -119.0, 3.0, 3.0, 0.15, true, false},
    {"SOUTHERN ALASKA", 58.0, -152.0, 4.0, 16.0, 0.10, true, true},
    {"GREECE", 38.5, 23.0, 3.0, 5.0, 0.05, true, false},
    {"CENTRAL ITALY", 42.5, 13.0, 3.0, 3.0, 0.04, true, false},
    {"WESTERN TURKEY", 38.5, 30.0, 2.5, 6.0, 0.03, true, false},
    {"NORTHERN IRAN", 33.0, 55.0, 5.0, 12.0, 0.03, false, false},
    {"NEPAL", 29.0, 84.0, 3.0, 10.0, 0.02, false, false},
    {"PUERTO RICO REGION", 18.5, -66.0, 2.0, 5.0, 0.02, true, false},
    {"NORTHERN MID-ATLANTIC RIDGE", 20.0, -40.0, 30.0, 10.0, 0.02, false, false},
    {"ROMANIA", 45.7, 26.6, 0.3, 0.3, 0.004, true, true},
    {"POLAND", 51.5, 16.1, 0.2, 0.3, 0.002, true, false},  // the copper mines' tremors near Legnica
};
constexpr double kBackgroundShare = 0.05;

// Uniform in [0, 1) from 53 bits of a mix.
double Uniform(std::uint64_t bits) {
    return static_cast<double>(bits >> 11) / 9007199254740992.0;
}

// Gutenberg-Richter with b = 1 above `least`, no larger than 9.5.
double Magnitude(double least, double u) {
    return std::min(9.5, least - std::log10(1.0 - u));
}

struct Quake {
    bench::ArchiveRow row;
    std::string depth;
    std::int64_t originMs = 0;
};

Quake MakeQuake(int i, int count) {
    const auto r = [i](int k) { return bench::Mix(static_cast<std::uint64_t>(i) * 8 + static_cast<std::uint64_t>(k)); };
    // Evenly through twenty years, in time order as the feed writes them.
    const std::int64_t firstMs = 1072915200000LL;  // 2004-01-01 00:00 UTC
    const std::int64_t spanMs = 7305LL * 86400000LL;
    const std::int64_t originMs = firstMs + static_cast<std::int64_t>(static_cast<double>(i) / count * spanMs);
    double pick = Uniform(r(0));
    const Belt* belt = nullptr;
    for (const Belt& b : kBelts) {
        if (pick < b.share) {
            belt = &b;
            break;
        }
        pick -= b.share;
    }
    double lat = 0, lon = 0;
    std::string region = "BACKGROUND SEISMICITY";
    bool local = false;
    bool deep = false;
    if (belt == nullptr || pick < 0) {
        lat = -60.0 + 130.0 * Uniform(r(1));
        lon = -180.0 + 360.0 * Uniform(r(2));
    } else {
        // Roughly normal around the centre (the sum of three uniforms).
        const auto spread = [&](int k) { return (Uniform(r(k)) + Uniform(r(k + 1)) + Uniform(r(k + 2))) / 1.5 - 1.0; };
        lat = std::clamp(belt->lat + belt->dLat * spread(1), -89.0, 89.0);
        lon = belt->lon + belt->dLon * spread(4);
        lon = lon > 180 ? lon - 360 : lon < -180 ? lon + 360 : lon;
        region = belt->region;
        local = belt->localNetwork;
        deep = belt->deep;
    }
    // Local networks report down to magnitude 0.5, the world's catalogues from 3.5.
    const double u = Uniform(r(7));
    const bool small = local && (r(7) & 1) == 0;
    const double magnitude = Magnitude(small ? 0.5 : 3.5, u);
    const double d = Uniform(r(8));
    const int depthKm = d < 0.6   ? 10
                        : d < 0.9 ? static_cast<int>(d * 60)
                        : deep    ? static_cast<int>(70 + (d - 0.9) * 5000)
                                  : 15;

    const std::time_t t = static_cast<std::time_t>(originMs / 1000);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char mag[32], date[48], time[32], wsp1[32], wsp2[32];
    std::snprintf(mag, sizeof mag, "%.1f", magnitude);
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d", parts.tm_hour, parts.tm_min);
    // The archive's own text forms: two decimals and a blank, "-" for south and west.
    std::snprintf(wsp1, sizeof wsp1, "%.2f ", lat);
    std::snprintf(wsp2, sizeof wsp2, "%.2f ", lon);
    return {{mag, region, date, time, wsp1, wsp2}, std::to_string(depthKm), originMs};
}

std::string MakeArchive(int rows) {
    const std::string path = "bench_history_shaking_" + std::to_string(rows) + ".dat";
    if (std::filesystem::exists(path)) {
        return path;
    }
    const std::string partial = path + ".partial";
    std::filesystem::remove(partial);
    CreateEventTable(partial);
    sqlite3* db = nullptr;
    sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* row = nullptr;
    sqlite3_stmt* id = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO trze (mag,region,data1,data2,wsp1,wsp2,ident) VALUES (?,?,?,?,?,?,?)", -1, &row,
                       nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO trze_id (id,row,source,origin_ms,creator,depth) "
                       "VALUES (?,last_insert_rowid(),'usgs',?,1,?)",
                       -1, &id, nullptr);
    for (int i = 0; i < rows; ++i) {
        const Quake q = MakeQuake(i, rows);
        const std::string ident = EventIdent(q.row.mag, q.row.wsp1, q.row.wsp2);
        int column = 1;
        for (const std::string* v :
             {&q.row.mag, &q.row.region, &q.row.data1, &q.row.data2, &q.row.wsp1, &q.row.wsp2, &ident}) {
            sqlite3_bind_text(row, column++, v->c_str(), static_cast<int>(v->size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(row);
        sqlite3_reset(row);
        const std::string name = "usgs:bench" + std::to_string(i);
        sqlite3_bind_text(id, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(id, 2, q.originMs);
        sqlite3_bind_text(id, 3, q.depth.c_str(), static_cast<int>(q.depth.size()), SQLITE_TRANSIENT);
        sqlite3_step(id);
        sqlite3_reset(id);
    }
    sqlite3_finalize(row);
    sqlite3_finalize(id);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::filesystem::rename(partial, path);
    return path;
}

// Wall-clock and processor time (the machine may be shared: the second is what the work itself takes).
struct Timing {
    double wallMs = 1e300;
    double cpuMs = 1e300;
};

double CpuMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The best of three runs of each, for this process's work or (children) for the programs it started.
template <typename F>
Timing BestOfThree(F run, bool children = false) {
    Timing best;
    const int who = children ? RUSAGE_CHILDREN : RUSAGE_SELF;
    for (int i = 0; i < 3; ++i) {
        const double cpu = CpuMs(who);
        const Clock::time_point start = Clock::now();
        run();
        best.wallMs = std::min(best.wallMs, MsSince(start));
        best.cpuMs = std::min(best.cpuMs, CpuMs(who) - cpu);
    }
    return best;
}

// The sqlite3 shell running a statement, started and waited for, its output discarded.
void RunShell(const std::string& path, const std::string& sql) {
    const std::string file = path + ".sql";
    std::ofstream(file) << sql << ";\n";
    const std::string command = "sqlite3 -batch " + path + " < " + file + " > /dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "sqlite3 failed\n");
    }
    std::filesystem::remove(file);
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
    double LongestMs() {
        Tick();
        return m_longestMs;
    }

private:
    void Tick() {
        m_longestMs = std::max(m_longestMs, MsSince(m_last));
        m_last = Clock::now();
    }
    QTimer m_timer;
    Clock::time_point m_last;
    double m_longestMs = 0;
};

// The window asked for twenty years with the filter at `level`: the time until they are listed, the longest stall.
void MeasureWindow(const std::string& path, const std::vector<Place>& places, int level, double* listedMs,
                   double* stallMs, std::size_t* rows) {
    CHistoryDlg::Options options;
    options.databasePath = path;
    options.now = [] {
        std::tm parts{};
        parts.tm_year = kLastDay.year - 1900;
        parts.tm_mon = kLastDay.month - 1;
        parts.tm_mday = kLastDay.day;
        parts.tm_hour = 12;
        parts.tm_isdst = -1;
        return std::mktime(&parts);
    };
    options.places = [places] { return places; };
    auto dlg = std::make_unique<CHistoryDlg>(options);
    dlg->show();
    const auto settle = [&] {
        while (dlg->IsLoading()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    };
    settle();
    auto* combo = qobject_cast<QComboBox*>(FindControl(dlg.get(), kIdShakingLevel));
    combo->setCurrentIndex(level - 1);
    emit combo->activated(level - 1);
    settle();
    StallMeter meter;
    const Clock::time_point asked = Clock::now();
    qobject_cast<QDateEdit*>(FindControl(dlg.get(), 1010))
        ->setDate(QDate(kFirstDay.year, kFirstDay.month, kFirstDay.day));
    settle();
    *listedMs = MsSince(asked);
    *rows = dlg->ListedRows().size();
    dlg.reset();
    QApplication::processEvents();
    *stallMs = meter.LongestMs();
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const Clock::time_point made = Clock::now();
    const std::string path = MakeArchive(rows);
    std::printf("archive of %d rows over %d years ready in %.0f ms (%s)\n", rows, kYears, MsSince(made),
                sqlite3_libversion());

    // A home alone, and the most a user can set: a home and nine more places, seismic ones among them.
    const std::vector<Place> ten = {
        {"Warsaw", 52.23, 21.01},        {"Tokyo", 35.68, 139.69},     {"Rome", 41.9, 12.5},
        {"Istanbul", 41.01, 28.98},      {"Athens", 37.98, 23.73},     {"Santiago", -33.45, -70.67},
        {"Los Angeles", 34.05, -118.24}, {"Anchorage", 61.22, -149.9}, {"Jakarta", -6.2, 106.85},
        {"Wellington", -41.29, 174.78}};
    const struct {
        const char* name;
        std::vector<Place> places;
    } homes[] = {{"Warsaw", {ten[0]}}, {"Tokyo", {ten[1]}}, {"Ten places", ten}};
    // Once before measuring: the file's pages in the system's cache, as after the window's first look.
    LoadHistoryRows(path, "select count(*) from trze", nullptr);
    for (const auto& home : homes) {
        const std::vector<Place>& places = home.places;
        for (int level = 2; level <= 5; ++level) {
            const ShakingQuery query{kFirstDay, kLastDay, kAllRegions, level, places};
            // What the loader runs on a twenty-year range of this twenty-year archive.
            const std::string sql = ShakingStatement(query, true);
            std::size_t kept = 0;
            std::size_t prefiltered = 0;
            const Timing loader = BestOfThree([&] { kept = LoadShakingRows(path, query, nullptr).rows.size(); });
            const Timing statement =
                BestOfThree([&] { prefiltered = LoadHistoryRows(path, sql, nullptr).rows.size(); });
            const Timing index = BestOfThree([&] { LoadHistoryRows(path, ShakingStatement(query, false), nullptr); });
            const Timing shell = BestOfThree([&] { RunShell(path, sql); }, true);
            std::printf(
                "%-10s level %-4s: %6zu pass the prefilter, %5zu kept | loader %4.0f ms (cpu %4.0f) | its SQL and copy "
                "%4.0f (cpu %4.0f), through the date index %4.0f (cpu %4.0f) | sqlite3 shell %4.0f (cpu %4.0f) | SQL "
                "%zu bytes\n",
                home.name, RomanNumeral(level).c_str(), prefiltered, kept, loader.wallMs, loader.cpuMs,
                statement.wallMs, statement.cpuMs, index.wallMs, index.cpuMs, shell.wallMs, shell.cpuMs, sql.size());
            std::fflush(stdout);
        }
        // Without the prefilter: every row of the range read and tested.
        const double cpu = CpuMs(RUSAGE_SELF);
        const Clock::time_point start = Clock::now();
        const RowListing every = LoadShakingRows(path, {kFirstDay, kLastDay, kAllRegions, 0, places}, nullptr);
        const auto kept =
            std::count_if(every.rows.begin(), every.rows.end(), [](const HistoryRow& row) { return row.shaking >= 3; });
        std::printf("%-10s level III without the prefilter: %td of %zu kept in %.0f ms (cpu %.0f)\n", home.name, kept,
                    every.rows.size(), MsSince(start), CpuMs(RUSAGE_SELF) - cpu);
        double listedMs = 0, stallMs = 0;
        std::size_t listed = 0;
        MeasureWindow(path, places, 3, &listedMs, &stallMs, &listed);
        std::printf(
            "%-10s level III in the window: %zu rows listed %.0f ms after twenty years were asked for, longest "
            "UI stall %.1f ms\n",
            home.name, listed, listedMs, stallMs);
        std::fflush(stdout);
    }
    return 0;
}
