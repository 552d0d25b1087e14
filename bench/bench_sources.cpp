#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "sources/quake_source.h"
#include "tests/common/peak_memory.h"

// The structured sources at 10,000 events, beside a plain scan of the same bytes, and the memory a parse
// needs at its peak.
namespace {

constexpr int kEvents = 10000;

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*f", decimals, value);
    return buffer;
}

// EMSC's FDSN text form, 14 columns.
std::string GeneratedFdsnText() {
    std::string text =
        "#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|Magnitude|"
        "MagAuthor|EventLocationName|EventType\n";
    for (int i = 0; i < kEvents; ++i) {
        char time[64];
        std::snprintf(time, sizeof(time), "2024-01-%02dT%02d:%02d:%02d.%dZ", 1 + i % 28, i % 24, i % 60, (i * 7) % 60,
                      i % 10);
        text += "20240101_" + std::to_string(1000000 + i) + "|" + time + "|" + Fixed(-60 + (i % 1200) * 0.1, 4) + "|" +
                Fixed(-170 + (i % 3400) * 0.1, 4) + "|" + Fixed((i % 600) * 1.1, 1) + "|EMSC|EMSC-RTS|EMSC|" +
                std::to_string(1600000 + i) + "|mb|" + Fixed(1 + (i % 70) * 0.1, 1) +
                "|EMSC|NEAR WEST COAST OF HONSHU, JAPAN|earthquake\n";
    }
    return text;
}

// A USGS summary feed, one feature a line as USGS writes them.
std::string GeneratedGeoJson() {
    std::string text = R"({"type":"FeatureCollection","metadata":{"generated":1512342950000,"title":"bench",)"
                       R"("status":200,"api":"1.5.8","count":10000},"features":[)";
    for (int i = 0; i < kEvents; ++i) {
        const std::string id = "nc" + std::to_string(72934355 + i);
        text += std::string(i == 0 ? "" : ",\n") + R"({"type":"Feature","properties":{"mag":)" +
                Fixed(1 + (i % 70) * 0.1, 2) + R"(,"place":"17km ESE of Anderson, CA","time":)" +
                std::to_string(1512342790490LL - i * 60000LL) +
                R"(,"updated":1512342889220,"tz":-480,"url":"https://earthquake.usgs.gov/earthquakes/eventpage/)" + id +
                R"(","felt":null,"cdi":null,"mmi":null,"alert":null,"status":"automatic","tsunami":0,)" +
                R"("sig":57,"net":"nc","code":"72934355","ids":",)" + id +
                R"(,","sources":",nc,","types":",geoserve,nearby-cities,origin,phase-data,","nst":5,)" +
                R"("dmin":0.143,"rms":0.03,"gap":152,"magType":"md","type":"earthquake","title":"M 1.9"},)" +
                R"("geometry":{"type":"Point","coordinates":[)" + Fixed(-170 + (i % 3400) * 0.1, 7) + "," +
                Fixed(-60 + (i % 1200) * 0.1, 7) + "," + Fixed((i % 600) * 1.1, 2) + R"(]},"id":")" + id + "\"}";
    }
    return text + "]}";
}

const std::string& FdsnText() {
    static const std::string text = GeneratedFdsnText();
    return text;
}

const std::string& GeoJson() {
    static const std::string text = GeneratedGeoJson();
    return text;
}

// The growth of the peak resident memory over one parse, in MiB.
double PeakGrowthMiB(const std::string& body, const std::string& url) {
    const long long growth =
        dravik::test::PeakGrowthBytes([&] { benchmark::DoNotOptimize(dravik::ParseQuakeSource(body, url).size()); });
    return static_cast<double>(growth) / (1 << 20);
}

void Parse(benchmark::State& state, const std::string& body, const std::string& url) {
    std::size_t events = 0;
    for (auto _ : state) {
        const auto parsed = dravik::ParseQuakeSource(body, url);
        events = parsed.size();
        benchmark::DoNotOptimize(parsed.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
    state.counters["events"] = static_cast<double>(events);
    state.counters["body_MiB"] = static_cast<double>(body.size()) / (1 << 20);
    state.counters["peak_growth_MiB"] = PeakGrowthMiB(body, url);
}

// The floor: one pass over the same bytes counting the separators the reader must find anyway.
void Scan(benchmark::State& state, const std::string& body, char separator) {
    std::size_t count = 0;
    for (auto _ : state) {
        count = static_cast<std::size_t>(std::count(body.begin(), body.end(), separator));
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
    state.counters["separators"] = static_cast<double>(count);
}

void BM_FdsnText10000Events(benchmark::State& state) {
    Parse(state, FdsnText(), "https://www.seismicportal.eu/fdsnws/event/1/query?format=text");
}
BENCHMARK(BM_FdsnText10000Events)->Unit(benchmark::kMillisecond);

void BM_FdsnTextPlainScan(benchmark::State& state) {
    Scan(state, FdsnText(), '|');
}
BENCHMARK(BM_FdsnTextPlainScan)->Unit(benchmark::kMillisecond);

void BM_GeoJson10000Events(benchmark::State& state) {
    Parse(state, GeoJson(), "https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/all_week.geojson");
}
BENCHMARK(BM_GeoJson10000Events)->Unit(benchmark::kMillisecond);

void BM_GeoJsonPlainScan(benchmark::State& state) {
    Scan(state, GeoJson(), ':');
}
BENCHMARK(BM_GeoJsonPlainScan)->Unit(benchmark::kMillisecond);

}  // namespace
