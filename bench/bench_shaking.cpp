#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "shaking/intensity.h"
#include "shaking/rupture_distance.h"

namespace {

// The table of mean distances, made once per process on first use: first here, before anything else uses it.
void BM_RuptureTableFirstUse(benchmark::State& state) {
    for (auto _ : state) {
        // Only the first iteration builds it; report that one.
        benchmark::DoNotOptimize(dravik::MeanRuptureDistanceKm(7.0, 50.0));
    }
}
BENCHMARK(BM_RuptureTableFirstUse)->Iterations(1);

// One expectation as the list computes it for each row: a point (M 5.5) against a rupture's mean distance (M 7.5),
// over distances from the epicentre to 2,000 km.
void Expectation(benchmark::State& state, double magnitude) {
    std::vector<double> km(1024);
    for (std::size_t i = 0; i < km.size(); ++i) {
        km[i] = 2000.0 * static_cast<double>(i) / km.size();
    }
    (void)dravik::MeanRuptureDistanceKm(7.0, 10.0);  // the table, made once
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dravik::ExpectedIntensity(magnitude, 10.0, km[i++ & 1023], dravik::CrustKind::Active));
    }
}

void BM_ExpectationPointM55(benchmark::State& state) {
    Expectation(state, 5.5);
}
void BM_ExpectationRuptureM75(benchmark::State& state) {
    Expectation(state, 7.5);
}
BENCHMARK(BM_ExpectationPointM55);
BENCHMARK(BM_ExpectationRuptureM75);

// A full list's worth: 5,000 rows of M 7.5 at ten places.
void BM_ShakingAtTenPlaces5000Rows(benchmark::State& state) {
    std::vector<dravik::Place> places;
    for (int p = 0; p < 10; ++p) {
        places.push_back({"", 30.0 + p, 10.0 + 3 * p});
    }
    for (auto _ : state) {
        for (int row = 0; row < 5000; ++row) {
            benchmark::DoNotOptimize(
                dravik::ShakingAtPlaces(7.5, 10.0, -40.0 + (row % 80), -170.0 + (row % 340), places));
        }
    }
}
BENCHMARK(BM_ShakingAtTenPlaces5000Rows)->Unit(benchmark::kMillisecond);

}  // namespace
