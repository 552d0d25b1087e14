#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_archive.h"
#include "catalogue/quake_list_update.h"
#include "catalogue/quake_registry.h"
#include "mainwindow/quake_archive.h"
#include "platform/sound.h"

// Many quakes at one origin second from two agencies, each agency's report of a quake a few kilometres and a
// few tenths of a second off the other's, scattered over the globe: the merge's candidates must come from an
// index, not from every quake within the minute. The registry alone, then a whole round written to an archive.
namespace {

constexpr std::int64_t kOriginMs = 1893456000000LL;  // 2030-01-01 00:00:00 UTC, one second for all

// Report i of an agency; `spreadMs` apart from the next (0: all at one second).
dravik::QuakeEvent Report(const std::string& agency, int i, bool second, std::int64_t spreadMs) {
    using dravik::bench::Mix;
    const std::uint64_t bits = Mix(static_cast<std::uint64_t>(i));
    dravik::QuakeEvent e;
    e.eventId = agency + ":b" + std::to_string(i);
    e.hasNumbers = true;
    e.originUtcMs = kOriginMs + static_cast<std::int64_t>(bits % 1000) + (second ? 300 : 0) + i * spreadMs;
    e.latitude = -80.0 + static_cast<double>(bits >> 11 & 0xFFFFF) / 0xFFFFF * 160.0 + (second ? 0.05 : 0.0);
    e.longitude = -180.0 + static_cast<double>(bits >> 31 & 0xFFFFF) / 0xFFFFF * 359.0;
    e.magnitude = 3.0 + static_cast<double>(bits >> 51 & 31) / 10.0 + (second ? 0.1 : 0.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", e.magnitude);
    e.mag = text;
    std::snprintf(text, sizeof text, "%.3f", e.latitude);
    e.wsp1 = text;
    std::snprintf(text, sizeof text, "%.3f", e.longitude);
    e.wsp2 = text;
    e.region = "REGION " + std::to_string(i);
    e.data1 = "2030-01-01";
    e.data2 = "00:00:00";
    e.depth = "10";
    return e;
}

std::vector<dravik::QuakeEvent> TwoAgencies(int n, std::int64_t spreadMs = 0) {
    std::vector<dravik::QuakeEvent> events;
    events.reserve(static_cast<std::size_t>(2 * n));
    for (int i = 0; i < n; ++i) {
        events.push_back(Report("emsc", i, false, spreadMs));
    }
    for (int i = 0; i < n; ++i) {
        events.push_back(Report("usgs", i, true, spreadMs));
    }
    return events;
}

void BM_MergeSameSecond(benchmark::State& state) {
    const std::vector<dravik::QuakeEvent> events = TwoAgencies(static_cast<int>(state.range(0)));
    std::size_t quakes = 0;
    for (auto _ : state) {
        dravik::QuakeRegistry registry;
        for (const dravik::QuakeEvent& e : events) {
            registry.Resolve(e);
        }
        quakes = registry.Size();
    }
    state.counters["quakes"] = static_cast<double>(quakes);
}

// What the push brings at worst: one agency's creates, all at one second (each must be found new).
void BM_PushedCreatesSameSecond(benchmark::State& state) {
    std::vector<dravik::QuakeEvent> events;
    for (int i = 0; i < state.range(0); ++i) {
        events.push_back(Report("emsc", i, false, 0));
    }
    std::size_t quakes = 0;
    for (auto _ : state) {
        dravik::QuakeRegistry registry;
        for (const dravik::QuakeEvent& e : events) {
            registry.Resolve(e);
        }
        quakes = registry.Size();
    }
    state.counters["quakes"] = static_cast<double>(quakes);
}

class NoList final : public dravik::IQuakeListView {
public:
    void BeginUpdate() override {}
    void InsertEvent(int, const dravik::QuakeEvent&, int) override {}
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}
};

class NoSound final : public dravik::ISound {
public:
    void PlaySound(const std::string&) override {}
};

// One round of both agencies' reports, listed (bounded as the program's list is) and written to a new archive;
// the second argument spreads the quakes that many seconds apart, the figure the same second is held to.
void BM_MergeAndStoreSameSecond(benchmark::State& state) {
    const std::vector<dravik::QuakeEvent> events =
        TwoAgencies(static_cast<int>(state.range(0)), state.range(1) * std::int64_t{1000});
    const std::string path = (std::filesystem::temp_directory_path() / "dravik_bench_merge.dat").string();
    std::size_t stored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        NoList list;
        NoSound sound;
        std::atomic<bool> busy{false}, news{false}, filled{false};
        dravik::QuakeRegistry registry;
        dravik::UnstoredEvents unstored;
        dravik::QuakeListUpdate::Hooks hooks;
        hooks.store = [&](const std::vector<dravik::QuakeEvent>& batch) {
            dravik::ArchiveWriteResult result = dravik::StoreQuakeReports(path, batch, nullptr);
            stored += result.stored;
            return result;
        };
        hooks.alertRule = [](const dravik::QuakeEvent&) { return dravik::EventAlert{false, false}; };
        hooks.nowUtcMs = [&] { return events.back().originUtcMs + 60000; };
        dravik::QuakeListUpdate update(list, registry, unstored, {busy, news, filled}, sound, hooks);
        state.ResumeTiming();
        update.RunEvents(events);
    }
    std::filesystem::remove(path);
    state.counters["stored"] = static_cast<double>(stored) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_MergeSameSecond)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PushedCreatesSameSecond)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MergeAndStoreSameSecond)
    ->Args({2000, 0})
    ->Args({20000, 0})
    ->Args({20000, 10})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
