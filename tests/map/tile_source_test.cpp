#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "map/tile_cache.h"
#include "map/tile_source.h"

namespace dravik {
namespace {

TEST(TileSourceTest, EachKindAsksItsService) {
    const TileId tile{5, 17, 10};
    struct Case {
        int kind;
        const char* base;
        const char* overlay;
        int maxZoom;
        const char* credit;
    };
    const Case cases[] = {
        {0, "https://tile.openstreetmap.org/5/17/10.png", "", 19, "OpenStreetMap"},
        {1, "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/5/10/17", "", 19,
         "Powered by Esri"},
        {2, "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/5/10/17",
         "https://server.arcgisonline.com/ArcGIS/rest/services/Reference/World_Boundaries_and_Places/MapServer/tile/"
         "5/10/17",
         19, "Powered by Esri"},
        {3, "https://a.tile.opentopomap.org/5/17/10.png", "", 17, "OpenTopoMap"},
        {7, "https://tile.openstreetmap.org/5/17/10.png", "", 19, "OpenStreetMap"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const MapKindLayers layers = LayersOfKind(c.kind);
        EXPECT_EQ(TileUrl(layers.base, tile), c.base);
        EXPECT_EQ(layers.overlay.urlTemplate.empty() ? std::string() : TileUrl(layers.overlay, tile), c.overlay);
        EXPECT_EQ(layers.maxZoom, c.maxZoom);
        std::string credits;
        bool linked = false;
        for (const AttributionPart& part : layers.attribution) {
            credits += part.text;
            linked = linked || part.link.rfind("https://", 0) == 0;
        }
        EXPECT_NE(credits.find(c.credit), std::string::npos) << credits;
        EXPECT_TRUE(linked);
    }
    // One tile, one address: the subdomain follows the tile, so the disk cache finds it again.
    const TileLayer topo = LayersOfKind(3).base;
    EXPECT_EQ(TileUrl(topo, {5, 1, 0}), "https://b.tile.opentopomap.org/5/1/0.png");
    EXPECT_EQ(TileUrl(topo, {5, 1, 0}), TileUrl(topo, {5, 1, 0}));
}

TEST(TileSourceTest, OverrideReplacesEveryKind) {
    for (int kind = 0; kind < 4; ++kind) {
        const MapKindLayers layers = LayersOfKind(kind, "http://127.0.0.1:9/t/{z}/{x}/{y}.png");
        EXPECT_EQ(TileUrl(layers.base, {3, 4, 5}), "http://127.0.0.1:9/t/3/4/5.png");
        EXPECT_TRUE(layers.overlay.urlTemplate.empty());
        EXPECT_EQ(layers.maxZoom, LayersOfKind(kind).maxZoom);
    }
    EXPECT_EQ(HostOfUrl("http://127.0.0.1:9/t/3/4/5.png"), "127.0.0.1:9");
    EXPECT_EQ(HostOfUrl("https://a.tile.opentopomap.org/1/0/0.png"), "a.tile.opentopomap.org");
    EXPECT_EQ(HostOfUrl("https://host?x=1"), "host");
}

TEST(TileCacheTest, KeepsTheTilesDrawnLast) {
    TileCache cache(3);
    for (int i = 0; i < 5; ++i) {
        const std::string url = "u" + std::to_string(i);
        ASSERT_TRUE(cache.Claim(url, i));
        cache.Loaded(url, i);
    }
    // u0 drawn again just now: it stays, the two drawn longest ago go.
    cache.Touch("u0", 10);
    std::vector<std::string> dropped = cache.Trim();
    std::sort(dropped.begin(), dropped.end());
    EXPECT_EQ(dropped, (std::vector<std::string>{"u1", "u2"}));
    EXPECT_EQ(cache.LoadedCount(), 3U);
    EXPECT_EQ(cache.StateOf("u0"), TileCache::State::kLoaded);
    EXPECT_EQ(cache.StateOf("u1"), TileCache::State::kMissing);
    EXPECT_TRUE(cache.Trim().empty());
    // A loaded or loading tile is not fetched again.
    EXPECT_FALSE(cache.Claim("u0", 20));
    ASSERT_TRUE(cache.Claim("u9", 20));
    EXPECT_FALSE(cache.Claim("u9", 21));
    cache.SetCapacity(1);
    EXPECT_EQ(cache.Trim(), (std::vector<std::string>{"u3", "u4"}));
    cache.SetCapacity(3);
    EXPECT_EQ(cache.DropLoaded(), (std::vector<std::string>{"u0"}));
    EXPECT_EQ(cache.LoadedCount(), 0U);
    EXPECT_EQ(cache.StateOf("u9"), TileCache::State::kLoading);
}

TEST(TileCacheTest, FailedTileWaitsLongerEachTime) {
    TileCache cache(10);
    std::int64_t now = 1000;
    std::int64_t lastWait = 0;
    for (int failure = 1; failure <= 12; ++failure) {
        ASSERT_TRUE(cache.Claim("t", now)) << failure;
        cache.Failed("t", now);
        const std::int64_t wait = cache.RetryAtMs("t") - now;
        EXPECT_GE(wait, std::min<std::int64_t>(lastWait * 2, 300000));
        EXPECT_LE(wait, 300000);
        // Never asked again before its time, however often the map is drawn.
        EXPECT_FALSE(cache.Claim("t", now));
        EXPECT_FALSE(cache.Claim("t", now + wait - 1));
        lastWait = wait;
        now += wait;
    }
    EXPECT_EQ(TileCache::RetryDelayMs(1), 2000);
    EXPECT_EQ(TileCache::RetryDelayMs(2), 4000);
    EXPECT_EQ(TileCache::RetryDelayMs(40), 300000);
    // A claim given up keeps the failures: the next failure waits longer still.
    ASSERT_TRUE(cache.Claim("t", now));
    cache.Abandoned("t");
    EXPECT_EQ(cache.StateOf("t"), TileCache::State::kFailed);
    // A tile that loads at last is no longer waited for.
    ASSERT_TRUE(cache.Claim("t", now));
    cache.Loaded("t", now);
    EXPECT_EQ(cache.RetryAtMs("t"), -1);
    // An abandoned first claim leaves no trace.
    ASSERT_TRUE(cache.Claim("n", now));
    cache.Abandoned("n");
    EXPECT_EQ(cache.StateOf("n"), TileCache::State::kMissing);
}

TEST(TileRequestQueueTest, TwoConnectionsPerHost) {
    TileRequestQueue queue(2);
    for (const char* url : {"https://a/1", "https://a/2", "https://a/3", "https://b/1", "https://a/1"}) {
        queue.Enqueue(url);
    }
    EXPECT_EQ(queue.TakeStartable(), (std::vector<std::string>{"https://a/1", "https://a/2", "https://b/1"}));
    EXPECT_EQ(queue.Running("a"), 2);
    EXPECT_TRUE(queue.TakeStartable().empty());
    // Asked for again while running: still one request.
    queue.Enqueue("https://a/2");
    EXPECT_EQ(queue.Waiting(), 1U);
    queue.Finished("https://a/1");
    EXPECT_EQ(queue.TakeStartable(), (std::vector<std::string>{"https://a/3"}));

    queue.Enqueue("https://a/4");
    queue.Enqueue("https://a/5");
    EXPECT_EQ(queue.KeepOnly({"https://a/5"}), (std::vector<std::string>{"https://a/4"}));
    EXPECT_EQ(queue.Waiting(), 1U);
    EXPECT_EQ(queue.Running("a"), 2);
}

}  // namespace
}  // namespace dravik
