// A tile service that sends header bytes without end: each tile's request is given up at the head's bound, at
// once, rather than read on until its deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "map/qt/map_widget.h"
#include "map/tile_source.h"
#include "tests/common/http_test_server.h"
#include "tests/common/peak_memory.h"
#include "tests/common/process_events.h"
#include "tests/common/scoped_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

TEST(TileHeaderFloodTest, AnEndlessHeaderFailsTheTileAtItsBound) {
    test::HttpTestServer server;
    const std::string tileTemplate = server.Url("/{z}/{x}/{y}.png");
    test::ScopedEnv url("DRAVIK_TILE_URL", tileTemplate.c_str());
    test::ScopedEnv proxy("http_proxy", nullptr);
    CMapWidget map;
    map.SetTilesFailedText("tiles cannot be loaded");
    map.resize(300, 300);
    map.show();
    map.CentreOn({50, 15}, 5);
    // One endless line for every other tile, endless lines for the rest.
    const TileLayer layer{tileTemplate, {}};
    int i = 0;
    for (const TilePlacement& placement : map.Viewport().VisibleTiles()) {
        test::HttpResponse flood;
        flood.headerFlood = 1 + i++ % 2;
        server.Set(TileUrl(layer, placement.tile).substr(server.Url("").size()), flood);
    }
    const std::size_t visible = map.Viewport().VisibleTiles().size();
    const long long before = test::PeakResidentBytes();
    // Well within the 30 s a tile may take: a request read on to its deadline fails this.
    ASSERT_TRUE(test::ProcessEventsUntil(
        [&] { return server.Requests().size() >= visible && server.OpenConnections() == 0; }, std::chrono::seconds(20)))
        << server.Requests().size() << " requests of " << visible << ", " << server.OpenConnections() << " still open";
    EXPECT_EQ(map.TilesInMemory(), 0U);
    EXPECT_TRUE(map.TilesFailing());
    // Each got no further than the sockets' buffers.
    EXPECT_LT(server.FloodBytesSent(), static_cast<long long>(visible) * (8LL << 20));
    if (test::kMemoryMeaningful) {
        EXPECT_LT(test::PeakResidentBytes() - before, 48LL << 20);
    }
}

}  // namespace
}  // namespace dravik
