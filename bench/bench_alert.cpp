#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "alerts/alert_rule.h"

namespace {

// 10,000 events spread over the globe, read from their texts as the old page gives them.
std::vector<dravik::QuakeEvent> Events() {
    std::vector<dravik::QuakeEvent> events(10000);
    for (std::size_t i = 0; i < events.size(); ++i) {
        dravik::QuakeEvent& e = events[i];
        e.eventId = std::to_string(500000 + i);
        e.mag = std::to_string(1 + i % 7) + "." + std::to_string(i % 10);
        e.wsp1 = std::to_string(static_cast<int>(i % 170) - 85) + ".50 ";
        e.wsp2 = std::to_string(static_cast<int>(i % 350) - 175) + ".25 ";
        e.region = "SOUTHERN GREECE";
    }
    return events;
}

// Every rule in play: a threshold, a home with a radius, quiet hours.
dravik::AlertSettings Settings() {
    dravik::AlertSettings s;
    s.globalMagnitude = 5.0;
    s.hasHome = true;
    s.homeLatitude = 52.23;
    s.homeLongitude = 21.01;
    s.radiusKm = 1500.0;
    s.nearMagnitude = 3.0;
    s.quietEnabled = true;
    return s;
}

void BM_DecideAlert10000Events(benchmark::State& state) {
    const std::vector<dravik::QuakeEvent> events = Events();
    const dravik::AlertSettings settings = Settings();
    std::size_t alerts = 0;
    for (auto _ : state) {
        alerts = 0;
        for (const dravik::QuakeEvent& e : events) {
            alerts += dravik::DecideAlert(e, settings, 23 * 60).alert ? 1 : 0;
        }
        benchmark::DoNotOptimize(alerts);
    }
    state.counters["alerts"] = static_cast<double>(alerts);
    state.counters["per_event"] =
        benchmark::Counter(static_cast<double>(events.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DecideAlert10000Events)->Unit(benchmark::kMillisecond);

}  // namespace
