#include "mainwindow/map_page.h"

#include <gtest/gtest.h>

#include <string>

namespace dravik {
namespace {

TEST(MapPage, PathsOfTheFourKinds) {
    struct Case {
        const char* path;
        int kind;
    };
    const Case cases[] = {
        {"/mapa/m.php", 0},         {"/mapa/ms.php", 1},
        {"/mapa/mh.php", 2},        {"/mapa/mf.php", 3},
        {"/mapa/M.php", -1},        {"/mapa/m.php/", -1},
        {"/mapa/mx.php", -1},       {"/m.php", -1},
        {"/mapa/m.php?wsp1=1", -1}, {"", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapKindForPath(c.path), c.kind) << c.path;
    }
}

TEST(MapPage, GoodCoordinatesGiveThePosition) {
    struct Case {
        const char* wsp1;
        const char* wsp2;
        double lat, lon;
    };
    const Case cases[] = {
        {"38.12", "-12.50", 38.12, -12.5}, {"-90", "180", -90, 180},          {"90.0", "-180.000", 90, -180},
        {"+45.5", "007", 45.5, 7},         {"0.0000001", "-0", 0.0000001, 0},
    };
    for (const Case& c : cases) {
        const auto position = ParseMapPosition(c.wsp1, c.wsp2);
        ASSERT_TRUE(position) << c.wsp1 << " " << c.wsp2;
        EXPECT_DOUBLE_EQ(position->lat, c.lat) << c.wsp1;
        EXPECT_DOUBLE_EQ(position->lon, c.lon) << c.wsp2;
    }
}

TEST(MapPage, AnythingButADecimalCoordinateIsNoPosition) {
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
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseMapPosition(c.wsp1, c.wsp2)) << c.wsp1 << " / " << c.wsp2;
    }
}

TEST(MapPage, CoordinateLimits) {
    EXPECT_EQ(ParseCoordinate("90", 90.0), 90.0);
    EXPECT_FALSE(ParseCoordinate("91", 90.0));
    EXPECT_EQ(ParseCoordinate("-180", 180.0), -180.0);
    EXPECT_FALSE(ParseCoordinate("180.5", 180.0));
    EXPECT_FALSE(ParseMapPosition("100", "100"));  // latitude out of range, though a longitude could be
    ASSERT_TRUE(ParseMapPosition("-45.25", "170.125"));
    EXPECT_EQ(ParseMapPosition("-45.25", "170.125")->lon, 170.125);
}

}  // namespace
}  // namespace dravik
