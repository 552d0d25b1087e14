#include <gtest/gtest.h>

#include <cmath>

#include "map/circle_hit.h"
#include "map/land_outline.h"
#include "map/map_viewport.h"
#include "map/mercator.h"

namespace dravik {
namespace {

TEST(MercatorTest, KnownPlacesFallInTheirTiles) {
    // Tiles as the slippy-map formula numbers them, worked out independently of the code under test.
    struct Case {
        const char* place;
        GeoPoint geo;
        int zoom;
        int x, y;
        double worldX, worldY;
    };
    const Case cases[] = {
        {"Warsaw", {52.2297, 21.0122}, 10, 571, 337, 146372.617, 86317.741},
        {"Sydney", {-33.8688, 151.2093}, 12, 3768, 2457, 964717.008, 629242.333},
        {"Tokyo", {35.6762, 139.6503}, 8, 227, 100, 58190.561, 25807.764},
        {"Reykjavik", {64.1466, -21.9426}, 6, 28, 17, 7193.368, 4354.245},
        {"Ushuaia", {-54.8019, -68.3030}, 7, 39, 87, 10166.909, 22372.191},
        {"null island", {0, 0}, 1, 1, 1, 256, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.place);
        const TileId tile = TileOf(c.geo, c.zoom);
        EXPECT_EQ(tile, (TileId{c.zoom, c.x, c.y}));
        const WorldPoint w = ToWorld(c.geo, c.zoom);
        EXPECT_NEAR(w.x, c.worldX, 0.01);
        EXPECT_NEAR(w.y, c.worldY, 0.01);
        const GeoPoint back = ToGeo(w, c.zoom);
        EXPECT_NEAR(back.lat, c.geo.lat, 1e-9);
        EXPECT_NEAR(back.lon, c.geo.lon, 1e-9);
    }
}

TEST(MercatorTest, DateLineWrapsAndPolesClamp) {
    const int zoom = 4;
    const int last = (1 << zoom) - 1;
    // Both sides of the date line are the world's western edge; just short of it is the last column.
    EXPECT_EQ(TileOf({10, 180}, zoom).x, 0);
    EXPECT_EQ(TileOf({10, -180}, zoom).x, 0);
    EXPECT_EQ(TileOf({10, 179.999}, zoom).x, last);
    EXPECT_EQ(TileOf({10, 190}, zoom).x, TileOf({10, -170}, zoom).x);
    EXPECT_EQ(TileOf({10, -540}, zoom).x, 0);
    EXPECT_EQ(WrapTileX(-1, zoom), last);
    EXPECT_EQ(WrapTileX(last + 1, zoom), 0);
    EXPECT_EQ(WrapTileX(-3 * (last + 1) - 2, zoom), last - 1);
    // Past ±85.0511° the world image ends: the poles clamp to its first and last rows, never beyond.
    EXPECT_EQ(TileOf({90, 0}, zoom).y, 0);
    EXPECT_EQ(TileOf({-90, 0}, zoom).y, last);
    EXPECT_EQ(ToWorld({90, 0}, zoom).y, 0);
    EXPECT_NEAR(ToWorld({-90, 0}, zoom).y, WorldSize(zoom), 1e-6);
    EXPECT_NEAR(ToGeo({0, 0}, zoom).lat, kMaxLatitude, 1e-9);
    EXPECT_NEAR(ToGeo({0, -500}, zoom).lat, kMaxLatitude, 1e-9);
    EXPECT_NEAR(ToGeo({0, 1e9}, zoom).lat, -kMaxLatitude, 1e-9);
    EXPECT_EQ(ToGeo({WorldSize(zoom) * 2.5, 0}, zoom).lon, 0);
    // Nothing a hostile number can do reaches the image as NaN.
    EXPECT_TRUE(std::isfinite(ToWorld({NAN, INFINITY}, zoom).x));
    EXPECT_TRUE(std::isfinite(ToWorld({NAN, INFINITY}, zoom).y));
}

TEST(MercatorTest, AncestorSectionsCoverTheTile) {
    struct Case {
        TileId tile;
        int up;
        TileSection section;
    };
    const Case cases[] = {
        {{5, 17, 10}, 0, {{5, 17, 10}, 0, 0, 256}}, {{5, 17, 10}, 1, {{4, 8, 5}, 128, 0, 128}},
        {{5, 17, 10}, 2, {{3, 4, 2}, 64, 128, 64}}, {{5, 17, 11}, 3, {{2, 2, 1}, 32, 96, 32}},
        {{1, 1, 1}, 4, {{0, 0, 0}, 128, 128, 128}},  // no further out than the whole world
    };
    for (const Case& c : cases) {
        const TileSection s = AncestorSection(c.tile, c.up);
        EXPECT_EQ(s.tile, c.section.tile) << c.tile.z << "/" << c.tile.x << "/" << c.tile.y << " up " << c.up;
        EXPECT_EQ(s.x, c.section.x);
        EXPECT_EQ(s.y, c.section.y);
        EXPECT_EQ(s.size, c.section.size);
    }
}

TEST(MapViewportTest, TilesCoverTheViewAcrossTheDateLine) {
    // The whole world twice over at zoom 1: every column of each copy, once per copy, edge to edge.
    const MapViewport wide({0, 0}, 1, 1024, 512);
    const std::vector<TilePlacement> tiles = wide.VisibleTiles();
    ASSERT_EQ(tiles.size(), 8U);
    int columnZero = 0;
    for (const TilePlacement& t : tiles) {
        EXPECT_EQ(std::fmod(t.left + 1024, 256.0), 0.0);
        EXPECT_GE(t.left, -256.0);
        EXPECT_LT(t.left, 1024.0);
        columnZero += t.tile.x == 0 ? 1 : 0;
    }
    EXPECT_EQ(columnZero, 4);
    // The nearest the centre comes first, so that it loads first.
    EXPECT_LT(std::hypot(tiles.front().left + 128 - 512, tiles.front().top + 128 - 256), 200);

    // Centred on the date line: the last column and the first sit side by side.
    const MapViewport pacific({0, 179.9}, 3, 600, 400);
    bool hasFirst = false, hasLast = false;
    for (const TilePlacement& t : pacific.VisibleTiles()) {
        hasFirst = hasFirst || t.tile.x == 0;
        hasLast = hasLast || t.tile.x == 7;
        EXPECT_GE(t.tile.x, 0);
        EXPECT_LE(t.tile.x, 7);
    }
    EXPECT_TRUE(hasFirst && hasLast);
    // A place just across the line is just right of the centre, not a world away.
    const ScreenPoint across = pacific.ToScreen({0, -179.9});
    EXPECT_NEAR(across.x, 300 + 2 * 0.1 / 360 * WorldSize(3), 0.01);
    EXPECT_TRUE(pacific.Contains({0, -179.9}));
}

TEST(MapViewportTest, FinerTilesForHiDpiCoverTheSameViewAtHalfTheirSize) {
    EXPECT_EQ(TileDetail(1.0), 0);
    EXPECT_EQ(TileDetail(1.25), 0);
    EXPECT_EQ(TileDetail(2.0), 1);
    // Each tile of the view is replaced by its four children, each placed where its part of the parent lies.
    const MapViewport view({48.1, 17.3}, 6, 700, 450);
    const std::vector<TilePlacement> coarse = view.VisibleTiles();
    const std::vector<TilePlacement> fine = view.VisibleTiles(1);
    ASSERT_GT(fine.size(), coarse.size());
    ASSERT_LE(fine.size(), 4 * coarse.size());
    for (const TilePlacement& t : fine) {
        EXPECT_EQ(t.tile.z, 7);
        EXPECT_EQ(t.size, 128.0);
        const TileSection parent = AncestorSection(t.tile, 1);
        const auto it =
            std::find_if(coarse.begin(), coarse.end(), [&](const TilePlacement& c) { return c.tile == parent.tile; });
        ASSERT_NE(it, coarse.end()) << t.tile.x << "/" << t.tile.y;
        EXPECT_DOUBLE_EQ(t.left, it->left + parent.x);
        EXPECT_DOUBLE_EQ(t.top, it->top + parent.y);
    }
    // Never finer than the finest zoom there is.
    EXPECT_EQ(MapViewport({0, 0}, kMaxZoom, 300, 300).VisibleTiles(1).front().tile.z, kMaxZoom);
}

TEST(MapViewportTest, ZoomKeepsTheAnchorAndPanStopsAtThePoles) {
    MapViewport view({50, 20}, 5, 800, 500);
    const ScreenPoint anchor{600, 120};
    const GeoPoint under = view.ToGeo(anchor);
    view.ZoomAt(8, anchor);
    EXPECT_EQ(view.Zoom(), 8);
    EXPECT_NEAR(view.ToGeo(anchor).lat, under.lat, 1e-6);
    EXPECT_NEAR(view.ToGeo(anchor).lon, under.lon, 1e-6);
    view.ZoomAt(40, anchor, 17);
    EXPECT_EQ(view.Zoom(), 17);
    view.ZoomAt(-3, anchor);
    EXPECT_EQ(view.Zoom(), kMinZoom);

    MapViewport north({50, 20}, 3, 800, 500);
    north.PanBy(0, 1e6);
    EXPECT_NEAR(north.ToGeo({400, 0}).lat, kMaxLatitude, 1e-6);
    north.PanBy(0, -1e7);
    EXPECT_NEAR(north.ToGeo({400, 500}).lat, -kMaxLatitude, 1e-6);
    // A world lower than the view stays in its middle.
    const MapViewport low({70, 0}, 1, 800, 800);
    EXPECT_NEAR(low.Centre().lat, 0, 1e-9);

    MapViewport view2({50, 20}, 6, 800, 500);
    view2.BringIntoView({51, 21});
    EXPECT_NEAR(view2.Centre().lon, 20, 1e-9);
    view2.BringIntoView({-33.9, 151.2});
    EXPECT_NEAR(view2.Centre().lat, -33.9, 1e-9);
    EXPECT_NEAR(view2.Centre().lon, 151.2, 1e-9);
    EXPECT_EQ(view2.Zoom(), 6);
}

TEST(MapViewportTest, ScreenCopiesRepeatTheWorld) {
    const MapViewport view({0, 0}, 1, 1200, 512);
    // The world is 512 wide: a place shows in every copy on the screen or within the margin of it.
    const std::vector<ScreenPoint> copies = view.ToScreenCopies({0, 90}, 50);
    ASSERT_EQ(copies.size(), 3U);
    EXPECT_NEAR(copies[1].x - copies[0].x, 512, 1e-9);
    EXPECT_NEAR(copies[1].x, 600 + 128, 1e-9);
}

TEST(CircleHitTest, SmallestUnderThePointThenTheTopmost) {
    const std::vector<ScreenCircle> drawn = {
        {100, 100, 40, 1},                    // a large quake around the others
        {110, 100, 5, 2},                     // a small one inside it
        {300, 300, 8, 3},  {300, 300, 8, 4},  // two alike at one place: the later is on top
        {500, 500, 3, 5},
    };
    struct Case {
        double x, y;
        int hit;
    };
    const Case cases[] = {
        {111, 101, 2},                                    // inside both: the small one
        {80, 100, 1},                                     // inside the large one only
        {300, 305, 4},  {150, 150, -1}, {504.5, 500, 5},  // just outside the smallest, within the slop
        {510, 500, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HitCircle(drawn, c.x, c.y), c.hit) << c.x << "," << c.y;
    }
    EXPECT_EQ(HitCircle({}, 0, 0), -1);
}

TEST(CircleHitTest, RepeatsCoveredExactlyAreDrawnOnce) {
    const std::vector<ScreenCircle> drawn = {
        {100, 100, 5, 1, 0}, {200, 200, 9, 2, 1}, {100.2, 99.8, 5, 3, 0},  // covers the first
        {100, 100, 5, 4, 1},                                               // another colour: stays
        {100, 100, 6, 5, 0},                                               // another size: stays
    };
    std::vector<int> ids;
    for (const ScreenCircle& c : WithoutCoveredRepeats(drawn)) {
        ids.push_back(c.id);
    }
    EXPECT_EQ(ids, (std::vector<int>{2, 3, 4, 5}));
}

TEST(LandOutlineTest, RingsArePlacesOnEarth) {
    const auto& rings = LandRings();
    ASSERT_GT(rings.size(), 100U);
    std::size_t points = 0;
    double west = 0, east = 0, south = 0, north = 0;
    for (const auto& ring : rings) {
        EXPECT_GE(ring.size(), 4U);
        points += ring.size();
        for (const GeoPoint& p : ring) {
            west = std::min(west, p.lon);
            east = std::max(east, p.lon);
            south = std::min(south, p.lat);
            north = std::max(north, p.lat);
        }
    }
    EXPECT_GT(points, 4000U);
    EXPECT_EQ(west, -180);
    EXPECT_EQ(east, 180);
    EXPECT_EQ(south, -90);
    EXPECT_GT(north, 83);
    EXPECT_LE(north, 84);
}

}  // namespace
}  // namespace dravik
