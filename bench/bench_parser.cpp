#include <benchmark/benchmark.h>

#include <string>

#include "sources/quake_parser.h"

namespace {

// A page of the old EMSC form with `rows` event rows, about the size the site served.
std::string GeneratedPage(int rows) {
    std::string page = "<html><head><title>EMSC</title></head><body><table><tr id=\"head\"><th>Date</th></tr>";
    for (int i = 0; i < rows; ++i) {
        const std::string id = std::to_string(500000 + i);
        const std::string minute = std::to_string(10 + i % 50);
        page += "<tr id=\"" + id + "\" class=\"normal\" onclick=\"go(" + id +
                ")\"><td class=\"tabev0\"></td><td class=\"tabev6\"><b><a href=\"/Earthquake/earthquake.php?id=" + id +
                "\">2016-05-10&#160;&#160;&#160;18:" + minute + ":19.0</a></b><i class=\"ago\">" + std::to_string(i) +
                " min ago</i></td><td class=\"tabev1\">" + std::to_string(10 + i % 70) +
                ".80&nbsp;</td><td class=\"tabev2\">" + (i % 3 == 0 ? "S" : "N") + "&nbsp;</td><td class=\"tabev1\">" +
                std::to_string(20 + i % 150) + ".62&nbsp;</td><td class=\"tabev2\">" + (i % 4 == 0 ? "W" : "E") +
                "&nbsp;</td><td class=\"tabev3\">" + std::to_string(2 + i % 300) +
                "</td><td class=\"tabev5\">ML</td><td class=\"tabev2\">" + std::to_string(2 + i % 6) +
                ".5</td><td class=\"tb_region\" >&#160;SOUTHERN GREECE</td><td class=\"comment updatetimeno\">"
                "2016-05-10 18:" +
                minute + "</td></tr>";
    }
    return page + "</table></body></html>";
}

const std::string& Page() {
    static const std::string page = GeneratedPage(500);
    return page;
}

void BM_ParseQuakePage500Rows(benchmark::State& state) {
    const std::string& page = Page();
    std::size_t events = 0;
    for (auto _ : state) {
        const auto parsed = dravik::ParseQuakePage(page);
        events = parsed.size();
        benchmark::DoNotOptimize(parsed.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["events"] = static_cast<double>(events);
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_ParseQuakePage500Rows);

// The floor: one pass over the same bytes looking for the row marker and nothing else.
void BM_FindRowMarker500Rows(benchmark::State& state) {
    const std::string& page = Page();
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (auto pos = page.find("<tr id=\""); pos != std::string::npos; pos = page.find("<tr id=\"", pos + 8)) {
            ++rows;
        }
        benchmark::DoNotOptimize(rows);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_FindRowMarker500Rows);

}  // namespace
