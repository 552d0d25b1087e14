#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "map/tile_cache.h"
#include "map/tile_expiry.h"
#include "map/tile_source.h"

namespace dravik {
namespace {

TEST(TileTermsTest, EsriKeyIsTakenOnlyAsAKey) {
    EXPECT_EQ(EsriKeyFromText(""), std::string());
    EXPECT_EQ(EsriKeyFromText(" \t\n"), std::string());
    EXPECT_EQ(EsriKeyFromText("  AAPK0a_b-c.d \n"), std::string("AAPK0a_b-c.d"));
    EXPECT_EQ(EsriKeyFromText(std::string(512, 'k')), std::string(512, 'k'));
    // Each would change the tile's address past the token, or is no key at all.
    for (const std::string& bad : std::vector<std::string>{"a&f=json", "a b", "a#x", "a?b", "a/b", "a%20",
                                                           "kl\xC3\xBCsz", std::string(513, 'k')}) {
        EXPECT_EQ(EsriKeyFromText(bad), std::nullopt) << bad;
    }
}

TEST(TileTermsTest, TwoRequestsAServiceWithItsSubDomainsTogether) {
    const TileLayer topo = LayersOfKind(3).base;
    ASSERT_EQ(ServiceOfLayer(topo), "{s}.tile.opentopomap.org");
    TileRequestQueue queue(2, 3000);
    const TileId tiles[] = {{5, 0, 0}, {5, 1, 0}, {5, 2, 0}, {5, 3, 0}, {5, 4, 0}};
    for (const TileId& tile : tiles) {
        queue.Enqueue(TileUrl(topo, tile), ServiceOfLayer(topo));
    }
    const std::vector<std::string> started = queue.TakeStartable(0);
    ASSERT_EQ(started.size(), 2U);
    EXPECT_NE(HostOfUrl(started[0]), HostOfUrl(started[1])) << "two sub-domains, one service";
    EXPECT_EQ(queue.Running("{s}.tile.opentopomap.org"), 2);
    EXPECT_TRUE(queue.TakeStartable(2999).empty());
    // Another service has its own two.
    const TileLayer osm = LayersOfKind(0).base;
    queue.Enqueue(TileUrl(osm, tiles[0]), ServiceOfLayer(osm));
    EXPECT_EQ(queue.TakeStartable(0).size(), 1U);
    queue.Finished(started[0]);
    EXPECT_EQ(queue.TakeStartable(0), std::vector<std::string>{TileUrl(topo, tiles[2])});
    // Stalled ones let two more start, and no more, across all its sub-domains.
    EXPECT_EQ(queue.TakeStartable(10000).size(), 2U);
    EXPECT_EQ(queue.Running("{s}.tile.opentopomap.org"), 4);
    queue.Enqueue(TileUrl(topo, {5, 5, 0}), ServiceOfLayer(topo));
    EXPECT_TRUE(queue.TakeStartable(20000).empty());
}

TEST(TileTermsTest, ExpiryFollowsTheHeadersWithAWeekWhereNoneIsGiven) {
    const struct {
        const char* cacheControl;
        std::optional<std::int64_t> maxAge;
    } ages[] = {
        {"", std::nullopt},
        {"public", std::nullopt},
        {"max-age=604800", 604800},
        {"public, MAX-AGE=3600, stale-while-revalidate=60", 3600},
        {"max-age=\"120\"", 120},
        {"max-age=0", 0},
        {"max-age=abc", 0},
        {"max-age=", 0},
        {"no-cache", 0},
        {"max-age=3600, no-cache", 0},
        {"no-store", 0},
        {"max-age=99999999999999999999", 365LL * 24 * 3600},
    };
    for (const auto& c : ages) {
        EXPECT_EQ(CacheMaxAgeSeconds(c.cacheControl), c.maxAge) << c.cacheControl;
    }
    const std::int64_t now = 1'800'000'000'000;
    EXPECT_EQ(TileExpiresAtMs("max-age=60", true, now + 10, now), now + 60'000) << "max-age before Expires";
    EXPECT_EQ(TileExpiresAtMs("", true, now + 10, now), now + 10);
    EXPECT_EQ(TileExpiresAtMs("", true, std::nullopt, now), 0) << "an Expires that does not read is past";
    EXPECT_EQ(TileExpiresAtMs("", false, std::nullopt, now), now + 7LL * 24 * 3600 * 1000);
    EXPECT_EQ(TileExpiresAtMs("public", false, std::nullopt, now), now + kTileKeptWithoutHeadersMs);
    EXPECT_EQ(TileExpiresAtMs("no-cache", false, std::nullopt, now), now);
}

}  // namespace
}  // namespace dravik
