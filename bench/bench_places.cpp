#include <benchmark/benchmark.h>

#include <string>

#include "places/place_search.h"
#include "places/text_fold.h"

namespace {

// The places as installed beside the program in the build tree.
std::string DataDir() {
    return std::string(DRAVIK_BENCH_PLACES_DIR);
}

// One keystroke's search over all 112,320 places: the file read and unpacked, every name folded and compared, the
// 20 most populous kept and their regions looked up. The queries are what a user types on the way to a name.
void BM_PlaceSearchKeystroke(benchmark::State& state, const char* query) {
    std::size_t found = 0;
    for (auto _ : state) {
        const dravik::PlaceSearchResult result = dravik::SearchPlaces(DataDir(), query);
        found = result.places.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_PlaceSearchKeystroke, w, "w")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlaceSearchKeystroke, war, "war")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlaceSearchKeystroke, warsaw, "Warsaw")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlaceSearchKeystroke, istanbul_dotted, "İstanbul")->Unit(benchmark::kMillisecond);

void BM_FoldName(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        out.clear();
        dravik::AppendFolded("Kahramanmaraş Sütçü İmam", &out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_FoldName);

}  // namespace
