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
        const char* esriKey;
        const char* lang;
        const char* base;
        const char* overlay;
        int maxZoom;
        const char* credit;
    };
    const char* gibs =
        "https://gibs.earthdata.nasa.gov/wmts/epsg3857/best/BlueMarble_NextGeneration/default/"
        "GoogleMapsCompatible_Level8/5/10/17.jpeg";
    const Case cases[] = {
        {0, "", "PL", "https://tile.openstreetmap.org/5/17/10.png", "", 19, "\xC2\xA9 OpenStreetMap contributors"},
        {1, "k3y", "PL",
         "https://ibasemaps-api.arcgis.com/arcgis/rest/services/World_Imagery/MapServer/tile/5/10/17?token=k3y", "", 19,
         "Powered by Esri | Source: Esri, Maxar, Earthstar Geographics, and the GIS User Community"},
        {2, "k3y", "EN",
         "https://ibasemaps-api.arcgis.com/arcgis/rest/services/World_Imagery/MapServer/tile/5/10/17?token=k3y",
         "https://ibasemaps-api.arcgis.com/arcgis/rest/services/Reference/World_Boundaries_and_Places/MapServer/"
         "tile/5/10/17?token=k3y",
         19, "Powered by Esri"},
        // Without a key Esri is never asked: the keyless imagery stands in, with its own zoom and credit.
        {1, "", "PL", gibs, "", 8, "Imagery: NASA EOSDIS GIBS"},
        {2, "", "DE", gibs,
         "https://gibs.earthdata.nasa.gov/wmts/epsg3857/best/Reference_Labels_15m/default/"
         "GoogleMapsCompatible_Level13/5/10/17.png",
         8,
         "Imagery: NASA EOSDIS GIBS, Blue Marble: NASA Earth Observatory | Labels: \xC2\xA9 OpenStreetMap "
         "contributors"},
        {3, "", "EN", "https://a.tile.opentopomap.org/5/17/10.png", "", 17,
         "Map data: \xC2\xA9 OpenStreetMap contributors, SRTM | Map display: \xC2\xA9 OpenTopoMap (CC-BY-SA)"},
        {3, "", "DE", "https://a.tile.opentopomap.org/5/17/10.png", "", 17,
         "Kartendaten: \xC2\xA9 OpenStreetMap-Mitwirkende, SRTM | Kartendarstellung: \xC2\xA9 OpenTopoMap (CC-BY-SA)"},
        {7, "", "PL", "https://tile.openstreetmap.org/5/17/10.png", "", 19, "OpenStreetMap"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + c.esriKey + " " + c.lang);
        TileChoice choice;
        choice.esriKey = c.esriKey;
        choice.lang = c.lang;
        const MapKindLayers layers = LayersOfKind(c.kind, choice);
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
        for (const TileLayer* layer : {&layers.base, &layers.overlay}) {
            const bool esri = layer->urlTemplate.find("arcgis") != std::string::npos;
            EXPECT_EQ(esri, *c.esriKey != 0 && (layer == &layers.base || c.kind == 2)) << layer->urlTemplate;
        }
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
    TileCache cache(3, 1000);
    for (int i = 0; i < 5; ++i) {
        const std::string url = "u" + std::to_string(i);
        ASSERT_TRUE(cache.Claim(url, i));
        cache.Loaded(url, i, 1);
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
    TileCache cache(10, 1000);
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
    cache.Loaded("t", now, 1);
    EXPECT_EQ(cache.RetryAtMs("t"), -1);
    // An abandoned first claim leaves no trace.
    ASSERT_TRUE(cache.Claim("n", now));
    cache.Abandoned("n");
    EXPECT_EQ(cache.StateOf("n"), TileCache::State::kMissing);
}

TEST(TileCacheTest, KeepsWithinItsBytes) {
    TileCache cache(100, 10);
    const auto load = [&cache](const std::string& url, std::int64_t now, std::size_t bytes) {
        ASSERT_TRUE(cache.Claim(url, now));
        cache.Loaded(url, now, bytes);
    };
    load("a", 1, 4);
    load("b", 2, 4);
    EXPECT_TRUE(cache.Trim().empty());
    // Far fewer tiles than the count allows, but more bytes than the budget: the one drawn longest ago goes.
    load("c", 3, 4);
    EXPECT_EQ(cache.Trim(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(cache.LoadedBytes(), 8U);
    EXPECT_EQ(cache.StateOf("a"), TileCache::State::kMissing);
    // One tile as large as the rest together makes room for itself alone.
    load("d", 4, 9);
    EXPECT_EQ(cache.Trim(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(cache.LoadedBytes(), 9U);
    EXPECT_EQ(cache.LoadedCount(), 1U);

    // A tile of the view pushed out waits for the view to move, or the view would fetch its own tiles in a loop.
    load("e", 5, 4);
    EXPECT_EQ(cache.Trim({"d", "e"}), (std::vector<std::string>{"d"}));
    EXPECT_EQ(cache.StateOf("d"), TileCache::State::kNoRoom);
    EXPECT_FALSE(cache.Claim("d", 6));
    EXPECT_EQ(cache.RetryAtMs("d"), -1);
    cache.ViewMoved();
    EXPECT_TRUE(cache.Claim("d", 7));
    cache.Abandoned("d");

    // Counted once however it leaves or comes again.
    load("f", 8, 3);
    cache.Loaded("f", 9, 5);
    EXPECT_EQ(cache.LoadedBytes(), 9U);
    cache.Failed("f", 10);
    EXPECT_EQ(cache.LoadedBytes(), 4U);
    EXPECT_EQ(cache.LoadedCount(), 1U);
    EXPECT_EQ(cache.DropLoaded(), (std::vector<std::string>{"e"}));
    EXPECT_EQ(cache.LoadedBytes(), 0U);
}

TEST(TileRequestQueueTest, TwoConnectionsPerHost) {
    TileRequestQueue queue(2);
    for (const char* url : {"https://a/1", "https://a/2", "https://a/3", "https://b/1", "https://a/1"}) {
        queue.Enqueue(url);
    }
    EXPECT_EQ(queue.TakeStartable(0), (std::vector<std::string>{"https://a/1", "https://a/2", "https://b/1"}));
    EXPECT_EQ(queue.Running("a"), 2);
    EXPECT_TRUE(queue.TakeStartable(0).empty());
    // Asked for again while running: still one request.
    queue.Enqueue("https://a/2");
    EXPECT_EQ(queue.Waiting(), 1U);
    queue.Finished("https://a/1");
    EXPECT_EQ(queue.TakeStartable(0), (std::vector<std::string>{"https://a/3"}));

    queue.Enqueue("https://a/4");
    queue.Enqueue("https://a/5");
    EXPECT_EQ(queue.KeepOnly({"https://a/5"}), (std::vector<std::string>{"https://a/4"}));
    EXPECT_EQ(queue.Waiting(), 1U);
    EXPECT_EQ(queue.Running("a"), 2);
}

TEST(TileRequestQueueTest, SlowRequestsDoNotHoldTheHost) {
    TileRequestQueue queue(2, 3000);
    for (int i = 1; i <= 7; ++i) {
        queue.Enqueue("https://a/" + std::to_string(i));
    }
    EXPECT_EQ(queue.TakeStartable(0), (std::vector<std::string>{"https://a/1", "https://a/2"}));
    EXPECT_EQ(queue.NextSlowAtMs(0), 3000);
    EXPECT_TRUE(queue.TakeStartable(2999).empty());
    // The first two have run 3 s: two more start beside them.
    EXPECT_EQ(queue.TakeStartable(3000), (std::vector<std::string>{"https://a/3", "https://a/4"}));
    EXPECT_EQ(queue.NextSlowAtMs(3000), 6000);
    // All four slow: still no more than four at once.
    EXPECT_TRUE(queue.TakeStartable(6000).empty());
    EXPECT_EQ(queue.Running("a"), 4);
    queue.Finished("https://a/1");
    EXPECT_EQ(queue.TakeStartable(6000), (std::vector<std::string>{"https://a/5"}));
    // Another host has its own.
    queue.Enqueue("https://b/1");
    EXPECT_EQ(queue.TakeStartable(6000), (std::vector<std::string>{"https://b/1"}));
    // Nothing is waiting for a slot once the rest are taken.
    queue.KeepOnly({});
    EXPECT_EQ(queue.NextSlowAtMs(6000), -1);
}

}  // namespace
}  // namespace dravik
