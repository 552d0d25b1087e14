#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "catalogue/quake_list_update.h"
#include "catalogue/quake_registry.h"
#include "platform/sound.h"

// A round of the new-event handling while the archive cannot be written and its backlog is at the bound: the
// round's own cost (the write fails at once here; a real failure adds the library's own wait), next to the same
// round with an archive that takes everything.
namespace {

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

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// `count` distinct quakes from `first` on, quake n at n seconds after a start two days ago, far enough apart not to
// merge.
std::vector<dravik::QuakeEvent> Quakes(int first, int count) {
    std::vector<dravik::QuakeEvent> events(static_cast<std::size_t>(count));
    static const std::int64_t start = NowMs() - 2 * 86400 * 1000LL;
    for (int i = 0; i < count; ++i) {
        dravik::QuakeEvent& e = events[static_cast<std::size_t>(i)];
        e.eventId = "emsc:" + std::to_string(first + i);
        e.mag = "4.5";
        e.region = "REGION " + std::to_string(first + i);
        e.data1 = "2026-12-08";
        e.data2 = "01:00";
        e.wsp1 = "10.00 ";
        e.wsp2 = "20.00 ";
        e.depth = "10";
        e.hasNumbers = true;
        e.originUtcMs = start + (first + i) * 1000LL;
        e.latitude = -60.0 + (i % 120);
        e.longitude = -170.0 + (i / 120 % 340);
        e.magnitude = 4.5;
    }
    return events;
}

void RoundWithBacklog(benchmark::State& state, bool archiveFails) {
    NoList list;
    NoSound sound;
    std::atomic<bool> busy{false}, news{false}, filled{false};
    dravik::QuakeRegistry quakes;
    dravik::UnstoredEvents unstored;
    dravik::QuakeListUpdate::Hooks hooks;
    hooks.store = [archiveFails](const std::vector<dravik::QuakeEvent>& events) {
        dravik::ArchiveWriteResult result;
        if (archiveFails) {
            result.fault = dravik::ArchiveFault::kLocked;
        } else {
            result.stored = events.size();
        }
        return result;
    };
    hooks.alertRule = [](const dravik::QuakeEvent&) { return dravik::EventAlert{false, false}; };
    dravik::QuakeListUpdate update(list, quakes, unstored, {busy, news, filled}, sound, hooks);
    const int cap = static_cast<int>(dravik::UnstoredEvents::kMaxUnstored);
    if (archiveFails) {
        update.RunEvents(Quakes(0, cap));
    }
    int next = cap;
    const int perRound = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<dravik::QuakeEvent> events = Quakes(next, perRound);
        next += perRound;
        state.ResumeTiming();
        update.RunEvents(events);
    }
    state.counters["backlog"] = static_cast<double>(unstored.Size());
}

void BM_RoundBacklogAtBound(benchmark::State& state) {
    RoundWithBacklog(state, true);
}
void BM_RoundArchiveWritten(benchmark::State& state) {
    RoundWithBacklog(state, false);
}

}  // namespace

BENCHMARK(BM_RoundBacklogAtBound)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoundArchiveWritten)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
