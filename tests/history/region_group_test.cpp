#include "history/region_group.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/quake_database.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

// Place texts as the agencies send them (tests/fixtures/agencies: USGS's GeoJSON and FDSN text, EMSC's, GFZ's,
// INGV's and IRIS's saved answers), with the group each falls under; then the edges of the rule.
const struct {
    const char* place;
    const char* group;
} kPlaces[] = {
    {"10km ENE of Pahala, Hawaii", "Hawaii"},
    {"104km W of Petrolia, CA", "CA"},
    {"3km ESE of Northridge, CA", "CA"},
    {"10km WNW of Bridgeport, California", "California"},
    {"100km E of Chignik Lake, Alaska", "Alaska"},
    {"125km ESE of Sigave, Wallis and Futuna", "Wallis and Futuna"},
    {"286km NW of Visokoi Island, South Georgia and the South Sandwich Islands",
     "South Georgia and the South Sandwich Islands"},
    {"23 km WSW of Anamizu, Japan", "Japan"},
    {"Central East Pacific Rise", "Central East Pacific Rise"},
    {"RAT ISLANDS, ALEUTIAN ISLANDS", "ALEUTIAN ISLANDS"},
    {"OFFSHORE CHIAPAS, MEXICO", "MEXICO"},
    {"NEAR WEST COAST OF HONSHU, JAPAN", "JAPAN"},
    {"Near West Coast of Honshu, Japan", "Japan"},
    {"SOUTHEAST OF LOYALTY ISLANDS", "SOUTHEAST OF LOYALTY ISLANDS"},
    {"NEAR S. COAST OF WESTERN HONSHU", "NEAR S. COAST OF WESTERN HONSHU"},
    {"2 km NW Cavezzo (MO)", "2 km NW Cavezzo (MO)"},
    {"5 km SE of Pazarcık, Türkiye", "Türkiye"},
    {"Ölüdeniz,Türkiye ", "Türkiye"},
    {"a, b, c", "c"},
    {"  POLAND ", "POLAND"},
    {"Trailing comma,", "Trailing comma,"},
    {"Trailing comma, ", "Trailing comma,"},
    {",,,", ",,,"},
    {"", ""},
};

// The SQL the filter runs gives each text the same group as the function the combo is made with.
TEST(RegionGroup, RealPlaceTextsGroupByTheirRegionPartInCodeAndInSql) {
    const std::string path = test::MakeTempDir("region-group") + "/groups.dat";
    CQuakeDatabase db(path);
    for (const auto& c : kPlaces) {
        EXPECT_EQ(RegionGroup(c.place), c.group) << c.place;
        db.Query("select " + RegionGroupSql("region") + " as grp from (select " + SqlQuote(c.place) + " as region)");
        ASSERT_EQ(db.GetRowCount(), 1) << c.place;
        db.MoveFirst();
        EXPECT_EQ(db.GetValue("grp"), c.group) << c.place;
    }
}

TEST(RegionGroup, ComboEntriesAreDistinctGroupsInOrder) {
    EXPECT_EQ(GroupRegions({"10km ENE of Pahala, Hawaii", "CRETE, GREECE", "5 km S of Volcano, Hawaii", "ALASKA",
                            "3 km E of Kos, Greece", "10 km N of Anza, CA", "SOUTHERN GREECE", "Alaska"}),
              (std::vector<std::string>{"ALASKA", "Alaska", "CA", "GREECE", "Greece", "Hawaii", "SOUTHERN GREECE"}));
}

}  // namespace
}  // namespace dravik
