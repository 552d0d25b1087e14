#include "history/shaking_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "history/history_loader.h"
#include "history/history_query.h"
#include "shaking/intensity.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool InAnyBox(const std::vector<GeoBox>& boxes, double lat, double lon) {
    for (const GeoBox& b : boxes) {
        if (lat >= b.south && lat <= b.north && lon >= b.west && lon <= b.east) {
            return true;
        }
    }
    return false;
}

// The point `km` away from (lat, lon) on the initial bearing, on the sphere of GreatCircleKm.
void Destination(double lat, double lon, double km, double bearingDeg, double* outLat, double* outLon) {
    const double d = km / kEarthRadiusKm;
    const double p1 = lat * kPi / 180, l1 = lon * kPi / 180, b = bearingDeg * kPi / 180;
    const double p2 = std::asin(std::sin(p1) * std::cos(d) + std::cos(p1) * std::sin(d) * std::cos(b));
    const double l2 =
        l1 + std::atan2(std::sin(b) * std::sin(d) * std::cos(p1), std::cos(d) - std::sin(p1) * std::sin(p2));
    *outLat = p2 * 180 / kPi;
    *outLon = std::remainder(l2 * 180 / kPi, 360.0);
}

// Every point within the distance lies in a box, near the poles and the antimeridian too.
TEST(ShakingFilter, BoxesHoldTheCircle) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int inside = 0;
    for (int i = 0; i < 20000; ++i) {
        const Place place{"", std::asin(2 * unit(random) - 1) * 180 / kPi, -180 + 360 * unit(random)};
        const double km = std::exp(std::log(20000.0) * unit(random));
        const std::vector<GeoBox> boxes = BoxesAround(place, km);
        double lat = 0, lon = 0;
        Destination(place.latitude, place.longitude, km * unit(random), 360 * unit(random), &lat, &lon);
        if (GreatCircleKm(place.latitude, place.longitude, lat, lon) <= km) {
            ++inside;
            ASSERT_TRUE(InAnyBox(boxes, lat, lon))
                << place.latitude << "," << place.longitude << " " << km << " km: " << lat << "," << lon;
        }
    }
    EXPECT_GT(inside, 19000);
}

// Rows of a test archive: texts as the archive may hold them, and a depth for most (older rows have none).
struct TestRow {
    std::string mag, wsp1, wsp2;
    std::string depth;
    bool hasId = true;
};

std::string WriteArchive(const std::vector<TestRow>& rows) {
    const std::string path = test::MakeTempDir("shaking-filter") + "/dravik.dat";
    CreateEventTable(path);
    CQuakeDatabase db(path);
    db.Query("BEGIN");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        db.ClearFields();
        db.AddField("ident", std::to_string(i));
        db.AddField("mag", rows[i].mag);
        db.AddField("region", std::to_string(i));  // the row's key in the checks
        db.AddField("data1", "2016-03-05");
        db.AddField("data2", "12:00");
        db.AddField("wsp1", rows[i].wsp1);
        db.AddField("wsp2", rows[i].wsp2);
        db.WriteRecord("trze");
        if (rows[i].hasId) {
            db.Query("INSERT INTO trze_id (id,row,source,origin_ms,creator,depth) VALUES ('t" + std::to_string(i) +
                     "',last_insert_rowid(),'test',0,1," + SqlQuote(rows[i].depth) + ")");
        }
    }
    db.Query("COMMIT");
    return path;
}

std::string Format(const char* format, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Random quakes: half anywhere, half within a few thousand km of one of the places, magnitudes from below the
// lowest step to past the highest, texts now and then in the odd forms older rows and other sources hold.
std::vector<TestRow> RandomRows(std::mt19937_64& random, const std::vector<Place>& places, int count) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const char* const oddMagnitudes[] = {"", "4.5abc", " 3.2 ", "1e1", "-0", "nan", "+6.1", "5,5"};
    const char* const oddCoordinates[] = {"", "95.00 ", "-180.00 ", "180.00 ", "12.5x", "+40.1", "1e1", "-0.00 "};
    std::vector<TestRow> rows;
    for (int i = 0; i < count; ++i) {
        double lat = std::asin(2 * unit(random) - 1) * 180 / kPi;
        double lon = -180 + 360 * unit(random);
        if (i % 2 == 1) {
            const Place& p = places[static_cast<std::size_t>(i / 2) % places.size()];
            Destination(p.latitude, p.longitude, 3000 * std::pow(unit(random), 2), 360 * unit(random), &lat, &lon);
        }
        TestRow row;
        const double m = -2.6 + 13.2 * unit(random);
        row.mag = Format(unit(random) < 0.8 ? "%.1f" : "%.3f", m);
        row.wsp1 = Format("%.2f ", lat);
        row.wsp2 = Format("%.2f ", lon);
        const double d = unit(random);
        row.depth = d < 0.3 ? "10" : d < 0.4 ? "" : d < 0.45 ? "x" : Format("%.0f", 700 * unit(random) * unit(random));
        row.hasId = unit(random) > 0.1;
        if (unit(random) < 0.03) {
            row.mag = oddMagnitudes[i % 8];
        }
        if (unit(random) < 0.03) {
            (i % 3 == 0 ? row.wsp2 : row.wsp1) = oddCoordinates[i % 8];
        }
        rows.push_back(row);
    }
    return rows;
}

std::map<std::string, int> Levels(const RowListing& listing) {
    std::map<std::string, int> levels;
    for (const HistoryRow& row : listing.rows) {
        levels[row.region] = row.shaking;
    }
    return levels;
}

// The prefilter in SQLite, then the exact test, keeps exactly what the exact test keeps over every row: random
// quakes and places (the poles, the antimeridian, old crust's long reach among them), every level.
TEST(ShakingFilter, PrefilterNeverDropsAQuakeTheExactTestKeeps) {
    std::mt19937_64 random(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const CalendarDate day{2016, 3, 5};
    std::size_t passedSql = 0, allRows = 0, felt = 0;
    for (int trial = 0; trial < 8; ++trial) {
        std::vector<Place> places;
        const int count = 1 + static_cast<int>(unit(random) * 10);
        for (int i = 0; i < count; ++i) {
            places.push_back({"", std::asin(2 * unit(random) - 1) * 180 / kPi, -180 + 360 * unit(random)});
        }
        // Now and then a place far north, beside the antimeridian, or in old crust (Warsaw, Moscow, Kalgoorlie).
        const Place special[] = {
            {"", 89.5, 30.0}, {"", -12.0, 179.9}, {"", 52.23, 21.01}, {"", 55.75, 37.62}, {"", -30.75, 121.47}};
        places.push_back(special[trial % 5]);
        const std::vector<TestRow> rows = RandomRows(random, places, 3000);
        const std::string path = WriteArchive(rows);

        const std::map<std::string, int> exact =
            Levels(LoadShakingRows(path, {day, day, kAllRegions, 0, places}, nullptr));
        ASSERT_EQ(exact.size(), rows.size());
        for (int level = 2; level <= kMaxIntensity; ++level) {
            const ShakingQuery query{day, day, kAllRegions, level, places};
            const RowListing kept = LoadShakingRows(path, query, nullptr);
            ASSERT_EQ(kept.fault, ArchiveFault::kNone);
            const std::map<std::string, int> got = Levels(kept);
            std::map<std::string, int> wanted;
            for (const auto& [key, shaking] : exact) {
                if (shaking >= level) {
                    wanted[key] = shaking;
                }
            }
            for (const auto& [key, shaking] : wanted) {
                const TestRow& r = rows[std::stoul(key)];
                EXPECT_EQ(got.count(key), 1u)
                    << "trial " << trial << " level " << level << " dropped M" << r.mag << " at " << r.wsp1 << ","
                    << r.wsp2 << " depth '" << r.depth << "', level " << shaking;
            }
            EXPECT_EQ(got, wanted) << "trial " << trial << " level " << level;
            // The table walked and the date index used give the same rows.
            const RowListing viaTable = LoadHistoryRows(path, ShakingStatement(query, true), nullptr);
            EXPECT_EQ(viaTable.rows.size(), LoadHistoryRows(path, ShakingStatement(query, false), nullptr).rows.size());
            passedSql += viaTable.rows.size();
            allRows += rows.size();
            felt += wanted.size();
        }
    }
    // It does prefilter: most rows never leave SQLite.
    EXPECT_GT(felt, 1000u);
    EXPECT_LT(passedSql * 3, allRows);
}

// Level I takes every quake, no place none; the steps' bounds hold at their tops as ReachKm gives them.
TEST(ShakingFilter, PrefilterBoundsAndSteps) {
    const std::vector<Place> warsaw{{"", 52.23, 21.01}};
    EXPECT_EQ(ShakingPrefilterSql(1, warsaw), "1");
    EXPECT_EQ(ShakingPrefilterSql(3, {}), "0");
    // A place off the globe or without numbers counts as none.
    EXPECT_EQ(ShakingPrefilterSql(3, {{"", 95.0, 0.0}, {"", std::nan(""), 0.0}}), "0");

    const std::vector<ReachStep> steps = ReachSteps(3);
    ASSERT_EQ(steps.size(), 24u);
    EXPECT_EQ(steps.front().fromMagnitude, kLowestStepMagnitude);
    EXPECT_EQ(steps.back().fromMagnitude, kHighestStepMagnitude - kReachStep);
    for (const ReachStep& step : steps) {
        // Each step's bound holds at its top, as ReachKm says it at depth 0 in either crust.
        const double top = step.fromMagnitude + kReachStep;
        for (const CrustKind crust : {CrustKind::Active, CrustKind::Stable}) {
            EXPECT_TRUE(step.everywhere || step.reachKm >= ReachKm(top, 0.0, 3, crust)) << top;
        }
    }
    // Small quakes reach level III only close by; the greatest anywhere.
    EXPECT_LT(steps[8].reachKm, 100.0);  // magnitude 2.0-2.5
    EXPECT_TRUE(steps.back().everywhere || steps.back().reachKm > 1500.0);
}

TEST(ShakingFilter, StrongestLevelReadsTheRowAsTheAlertDoes) {
    const std::vector<Place> places{{"", 52.23, 21.01}, {"", 35.68, 139.69}};
    // Near Tokyo, shallow: strong there, not felt in Warsaw.
    const int nearTokyo = StrongestLevel("6.0", "35.70 ", "139.70 ", "10", places);
    EXPECT_GE(nearTokyo, 6);
    // The same quake deeper shakes less; an unreadable depth counts as 10 km.
    EXPECT_LT(StrongestLevel("6.0", "35.70 ", "139.70 ", "300", places), nearTokyo);
    EXPECT_EQ(StrongestLevel("6.0", "35.70 ", "139.70 ", "abc", places), nearTokyo);
    // Nothing to measure from, or nothing that reads: no level.
    EXPECT_EQ(StrongestLevel("6.0", "35.70 ", "139.70 ", "10", {}), 0);
    EXPECT_EQ(StrongestLevel("6,0", "35.70 ", "139.70 ", "10", places), 0);
    EXPECT_EQ(StrongestLevel("6.0", "95.00 ", "139.70 ", "10", places), 0);
    EXPECT_EQ(StrongestLevel("6.0", "35.70 ", "", "10", places), 0);
}

}  // namespace
}  // namespace dravik
