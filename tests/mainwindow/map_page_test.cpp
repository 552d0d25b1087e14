#include "mainwindow/map_page.h"

#include <gtest/gtest.h>

#include <string>

namespace dravik {
namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(MapPage, PathsOfTheFourKinds) {
    struct Case {
        const char* path;
        int kind;
    };
    const Case cases[] = {
        {"/mapa/m.php", 0},          {"/mapa/ms.php", 1},
        {"/mapa/mh.php", 2},         {"/mapa/mf.php", 3},
        {"/mapa/M.php", -1},         {"/mapa/m.php/", -1},
        {"/mapa/mx.php", -1},        {"/m.php", -1},
        {"/leaflet/leaflet.js", -1}, {"", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapKindForPath(c.path), c.kind) << c.path;
    }
}

TEST(MapPage, GoodCoordinatesGiveAMapCentredOnThePosition) {
    struct Case {
        const char* wsp1;
        const char* wsp2;
        const char* position;
    };
    const Case cases[] = {
        {"38.12", "-12.50", "[38.12, -12.5]"},  {"-90", "180", "[-90, 180]"},
        {"90.0", "-180.000", "[90, -180]"},     {"+45.5", "007", "[45.5, 7]"},
        {"0.0000001", "-0", "[0.0000001, -0]"},
    };
    for (const Case& c : cases) {
        const std::string page = MapPageHtml(0, c.wsp1, c.wsp2);
        EXPECT_TRUE(Contains(page, std::string("var position = ") + c.position + ";")) << c.wsp1 << " " << c.wsp2;
        EXPECT_TRUE(Contains(page, "L.marker(position)")) << c.wsp1;
        EXPECT_FALSE(Contains(page, "Position unknown")) << c.wsp1;
    }
}

TEST(MapPage, EachKindUsesItsTilesWithAttribution) {
    struct Case {
        int kind;
        const char* tiles;
        const char* overlay;  // null: no overlay layer
        const char* attribution;
    };
    const Case cases[] = {
        {0, "tile.openstreetmap.org", nullptr, "OpenStreetMap\\u003c/a\\u003e contributors"},
        {1, "World_Imagery", nullptr, "Powered by \\u003ca href=\\u0022https://www.esri.com\\u0022\\u003eEsri"},
        {2, "World_Imagery", "World_Boundaries_and_Places",
         "Powered by \\u003ca href=\\u0022https://www.esri.com\\u0022\\u003eEsri"},
        {3, "tile.opentopomap.org", nullptr, "OpenTopoMap"},
    };
    for (const Case& c : cases) {
        const std::string page = MapPageHtml(c.kind, "1", "2");
        EXPECT_TRUE(Contains(page, c.tiles)) << c.kind;
        EXPECT_EQ(Contains(page, "World_Boundaries_and_Places"), c.overlay != nullptr) << c.kind;
        EXPECT_TRUE(Contains(page, c.attribution)) << c.kind;
        // Leaflet comes from the program itself, never from the internet.
        EXPECT_TRUE(Contains(page, "<script src=\"/leaflet/leaflet.js\"></script>")) << c.kind;
    }
}

TEST(MapPage, AnythingButADecimalCoordinateGivesThePositionUnknownPage) {
    struct Case {
        const char* wsp1;
        const char* wsp2;
    };
    const Case cases[] = {
        {"<script>alert(1)</script>", "1"},
        {"1", "</script><script>alert(1)//"},
        {"\"", "1"},
        {"1", "'"},
        {"1\";alert(1);//", "1"},
        {"1e999", "1"},
        {"1", "1e2"},
        {"", "1"},
        {"1", ""},
        {"NaN", "1"},
        {"1", "Infinity"},
        {"inf", "1"},
        {"0x10", "1"},
        {"90.0001", "1"},
        {"1", "-180.01"},
        {"12,5", "1"},
        {" 12", "1"},
        {"12 ", "1"},
        {"1.2.3", "1"},
        {"+", "1"},
        {"-", "1"},
        {"--1", "1"},
        {".5", "1"},
        {"5.", "1"},
        {"1", "000000000000000000000000000000001"},
        {"1\n", "1"},
        {"١٢", "1"},
    };
    const std::string unknown = UnknownPositionPageHtml();
    EXPECT_TRUE(Contains(unknown, "Position unknown"));
    EXPECT_FALSE(Contains(unknown, "<script"));
    for (const Case& c : cases) {
        for (int kind = 0; kind < 4; ++kind) {
            EXPECT_EQ(MapPageHtml(kind, c.wsp1, c.wsp2), unknown) << c.wsp1 << " / " << c.wsp2;
        }
    }
    EXPECT_EQ(MapPageHtml(4, "1", "2"), unknown);
}

TEST(MapPage, CoordinateLimits) {
    EXPECT_EQ(ParseCoordinate("90", 90.0), 90.0);
    EXPECT_FALSE(ParseCoordinate("91", 90.0));
    EXPECT_EQ(ParseCoordinate("-180", 180.0), -180.0);
    EXPECT_FALSE(ParseCoordinate("180.5", 180.0));
    EXPECT_FALSE(ParseMapPosition("100", "100"));  // latitude out of range, though a longitude could be
    ASSERT_TRUE(ParseMapPosition("-45.25", "170.125"));
    EXPECT_EQ(FormatCoordinate(ParseMapPosition("-45.25", "170.125")->lon), "170.125");
}

}  // namespace
}  // namespace dravik
