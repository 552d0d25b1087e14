// The event store on a 1,000,000-row archive, next to the sqlite3 shell running the same statements on the same
// file. Each benchmark reports its own mean (dravik_ms, opening and closing the file included), the shell's
// median for a run of those statements alone (sh_run_ms: process start, open, statements, close) and for the
// statements inside a run that is already going (sh_stmt_ms), and the ratios dravik/shell (x_run, x_stmt).
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bench_archive.h"
#include "store/event_table.h"
#include "store/quake_database.h"

extern char** environ;

namespace dravik {
namespace {

constexpr int kRows = 1000000;
constexpr int kDays = 6667;  // about 150 events a day, as the feed sees them
constexpr int kShellRuns = 9;
const char* const kCacheFile = "bench_store_1m.dat";  // kept in the working directory between runs
const char* const kWorkFile = "bench_store_work.dat";
const char* const kRangeSql =
    "select * from trze where data1>='2009-02-10' and data1<='2009-02-11' order by data1 desc,data2 desc";
const char* const kRegionListSql = "select * from trze group by region order by region ";

using Event = bench::ArchiveRow;
using bench::Mix;

std::string Format(const char* format, double a, double b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// Days since 2000-01-01 to a "YYYY-MM-DD" text.
std::string DateText(int day) {
    int y = 2000;
    int m = 1;
    static const int kMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (;;) {
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        const int length = kMonth[m - 1] + (m == 2 && leap ? 1 : 0);
        if (day < length) {
            break;
        }
        day -= length;
        if (++m > 12) {
            m = 1;
            ++y;
        }
    }
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, day + 1);
    return text;
}

// Row i of the generated archive; the same i always gives the same event.
Event MakeEvent(int i) {
    const std::uint64_t r = Mix(static_cast<std::uint64_t>(i));
    Event e;
    e.mag = Format("%.1f", 2.0 + static_cast<double>(r % 50) / 10.0);
    e.region = "REGION " + std::to_string((r >> 8) % 400);
    e.data1 = DateText(static_cast<int>(static_cast<std::int64_t>(i) * kDays / kRows));
    e.data2 = Format("%02.0f:%02.0f", static_cast<double>((r >> 20) % 24), static_cast<double>((r >> 28) % 60));
    e.wsp1 = Format("%.2f", -60.0 + static_cast<double>((r >> 34) % 13000) / 100.0);
    e.wsp2 = Format("%.2f", -180.0 + static_cast<double>((r >> 48) % 36000) / 100.0);
    return e;
}

void Generate(const std::string& path) {
    bench::GenerateArchive(path, kRows, MakeEvent);
}

// The generated archive is made once and reused; each run works on a fresh copy, since it adds rows.
const std::string& WorkFile() {
    static std::once_flag once;
    static std::string work;
    std::call_once(once, [] {
        if (!std::filesystem::exists(kCacheFile)) {
            Generate(kCacheFile);
        }
        CreateEventTable(kCacheFile);  // adds indexes a cached file from an earlier build lacks
        work = std::filesystem::absolute(kWorkFile).string();
        std::filesystem::copy_file(kCacheFile, work, std::filesystem::copy_options::overwrite_existing);
    });
    return work;
}

struct ShellTimes {
    double processMs = 0;    // one statement set: process start, open, statements, close
    double statementMs = 0;  // one more statement set in a run that is already going
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Median wall time of the shell on the work file reading `script` from its input, output thrown away.
double ShellRunMs(const std::string& script, int runs) {
    const std::string input = std::filesystem::absolute("bench_store_script.sql").string();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        std::ofstream(input, std::ios::trunc) << script;
        std::vector<std::string> args = {"sqlite3", "-batch", WorkFile()};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, "sqlite3", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            return 0;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(times);
}

// The shell on the statements `sql(n)`: alone in a run, and per extra copy in a run of 1 + `copies` (the
// difference of the two medians), which leaves out the process start and the first open.
ShellTimes RunShell(const std::function<std::string(int)>& sql, int copies) {
    int n = 0;
    const double one = ShellRunMs(sql(n++) + ";\n", kShellRuns);
    std::string many;
    for (int i = 0; i <= copies; ++i) {
        many += sql(n++) + ";\n";
    }
    const double more = ShellRunMs(many, kShellRuns);
    return ShellTimes{one, std::max(0.0, (more - one) / copies)};
}

void Report(benchmark::State& state, double totalMs, const ShellTimes& shell) {
    const double ours = totalMs / static_cast<double>(state.iterations());
    state.counters["dravik_ms"] = ours;
    state.counters["sh_run_ms"] = shell.processMs;
    state.counters["sh_stmt_ms"] = shell.statementMs;
    state.counters["x_run"] = shell.processMs > 0 ? ours / shell.processMs : 0;
    state.counters["x_stmt"] = shell.statementMs > 0 ? ours / shell.statementMs : 0;
}

template <typename Fn>
double TimeMs(Fn&& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string InsertSql(const Event& e, const std::string& ident) {
    CFieldMap fields;
    fields.Add("mag", e.mag);
    fields.Add("region", e.region);
    fields.Add("data1", e.data1);
    fields.Add("data2", e.data2);
    fields.Add("wsp1", e.wsp1);
    fields.Add("wsp2", e.wsp2);
    fields.Add("ident", ident);
    return ComposeInsert("trze", fields);
}

// A new event each time: coordinates no generated row has (latitude beyond 70).
Event NewEvent(int n) {
    Event e{"9.9", "BENCH REGION", "2030-01-01", "12:00", "", ""};
    e.wsp1 = "8" + std::to_string(n / 36000) + ".00";
    e.wsp2 = std::to_string(n % 36000);
    return e;
}

void BM_StoreEventIfNew_New(benchmark::State& state) {
    const std::string& path = WorkFile();
    static int next = 0;
    double total = 0;
    for (auto _ : state) {
        const Event e = NewEvent(next++);
        total += TimeMs([&] { StoreEventIfNewAt(path, e.mag, e.region, e.data1, e.data2, e.wsp1, e.wsp2); });
    }
    Report(state, total,
           RunShell(
               [](int) {
                   const Event e = NewEvent(next++);
                   const std::string ident = EventIdent(e.mag, e.wsp1, e.wsp2);
                   return DuplicateCheckSql(ident) + ";\n" + InsertSql(e, ident);
               },
               10));
}

void BM_StoreEventIfNew_Known(benchmark::State& state) {
    const std::string& path = WorkFile();
    const Event e = MakeEvent(kRows / 2);
    double total = 0;
    for (auto _ : state) {
        total += TimeMs([&] { StoreEventIfNewAt(path, e.mag, e.region, e.data1, e.data2, e.wsp1, e.wsp2); });
    }
    Report(state, total, RunShell([&](int) { return DuplicateCheckSql(EventIdent(e.mag, e.wsp1, e.wsp2)); }, 200));
}

// One cycle's new events written together (one transaction, one sync), against the same statements run by
// the shell inside BEGIN IMMEDIATE ... COMMIT. The per-event write above is the way it was done before.
// A batch's mean beside the shell running `count` new events' check and insert inside BEGIN IMMEDIATE ... COMMIT.
void ReportBatch(benchmark::State& state, double totalMs, int count, int* next) {
    std::string script = "BEGIN IMMEDIATE;\n";
    for (int i = 0; i < count; ++i) {
        const Event e = NewEvent((*next)++);
        const std::string ident = EventIdent(e.mag, e.wsp1, e.wsp2);
        script += DuplicateCheckSql(ident) + ";\n" + InsertSql(e, ident) + ";\n";
    }
    script += "COMMIT";
    const double shell = ShellRunMs(script + ";\n", 3);
    const double mean = totalMs / static_cast<double>(state.iterations());
    state.counters["dravik_ms"] = mean;
    state.counters["sh_run_ms"] = shell;
    state.counters["x_run"] = mean / shell;
}

void BM_StoreEventsIfNew_Batch(benchmark::State& state) {
    const std::string& path = WorkFile();
    static int next = 1000000;
    const int count = static_cast<int>(state.range(0));
    double total = 0;
    for (auto _ : state) {
        std::vector<EventRecord> records;
        for (int i = 0; i < count; ++i) {
            const Event e = NewEvent(next++);
            records.push_back(EventRecord{e.mag, e.region, e.data1, e.data2, e.wsp1, e.wsp2});
        }
        total += TimeMs([&] { StoreEventsIfNew(path, records); });
    }
    ReportBatch(state, total, count, &next);
}

// The same batch as reports of quakes with ids (the structured sources): each is looked up by its ids, then by
// its texts among rows without ids, then written with its id beside it; and the same reports again a second
// time as revisions (other magnitude), which update their rows in place. Against the shell running the plain
// batch's statements, as above.
void BM_StoreReports_Batch(benchmark::State& state) {
    const std::string& path = WorkFile();
    static int next = 3000000;
    const int count = static_cast<int>(state.range(0));
    const bool revise = state.range(1) != 0;
    double total = 0;
    for (auto _ : state) {
        std::vector<EventRecord> records;
        for (int i = 0; i < count; ++i) {
            const Event e = NewEvent(next++);
            EventRecord r{e.mag, e.region, e.data1, e.data2, e.wsp1, e.wsp2};
            r.id = "emsc:bench" + std::to_string(next);
            r.source = "emsc";
            r.originUtcMs = 1900000000000LL + next;
            records.push_back(std::move(r));
        }
        if (revise) {
            StoreEventsIfNew(path, records);
            for (EventRecord& r : records) {
                r.mag = "8.8";
            }
        }
        total += TimeMs([&] { StoreEventsIfNew(path, records); });
    }
    ReportBatch(state, total, count, &next);
}

// The history window's refresh: one object, the query, the count and a walk over the six listed columns.
double WalkQuery(const std::string& path, const std::string& sql, int* rows) {
    return TimeMs([&] {
        CQuakeDatabase db(path);
        db.Query(sql);
        const int count = db.GetRowCount();
        std::size_t bytes = 0;
        if (count > 0) {
            db.MoveFirst();
            for (int i = 0; i < count; ++i) {
                for (const char* column : {"mag", "region", "data1", "data2", "wsp1", "wsp2"}) {
                    bytes += db.GetValue(column).size();
                }
                db.MoveNext();
            }
        }
        benchmark::DoNotOptimize(bytes);
        *rows = count;
    });
}

void BM_HistoryRangeQuery(benchmark::State& state) {
    const std::string& path = WorkFile();
    double total = 0;
    int rows = 0;
    for (auto _ : state) {
        total += WalkQuery(path, kRangeSql, &rows);
    }
    state.counters["rows"] = rows;
    Report(state, total, RunShell([](int) { return std::string(kRangeSql); }, 100));
}

void BM_HistoryRegionList(benchmark::State& state) {
    const std::string& path = WorkFile();
    double total = 0;
    int rows = 0;
    for (auto _ : state) {
        total += TimeMs([&] {
            CQuakeDatabase db(path);
            db.Query(kRegionListSql);
            rows = db.GetRowCount();
        });
    }
    state.counters["rows"] = rows;
    Report(state, total, RunShell([](int) { return std::string(kRegionListSql); }, 3));
}

void BM_CreateEventTable_Existing(benchmark::State& state) {
    const std::string& path = WorkFile();
    double total = 0;
    for (auto _ : state) {
        total += TimeMs([&] { CreateEventTable(path); });
    }
    std::string script = kCreateEventTableSql;
    for (const char* sql : kEventTableIndexSql) {
        script += std::string(";\n") + sql;
    }
    Report(state, total, RunShell([&](int) { return script; }, 200));
}

BENCHMARK(BM_StoreEventIfNew_New)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoreEventsIfNew_Batch)->Arg(500)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoreReports_Batch)
    ->Args({500, 0})
    ->Args({9000, 0})
    ->Args({9000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StoreEventIfNew_Known)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HistoryRangeQuery)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HistoryRegionList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CreateEventTable_Existing)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace dravik
