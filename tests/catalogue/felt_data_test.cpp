// What agencies say people felt: read from a real USGS feed, bounded, and news to the quake it belongs to.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/quake_registry.h"
#include "sources/geojson_events.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

const QuakeEvent* Find(const std::vector<QuakeEvent>& events, const std::string& id) {
    const auto it = std::find_if(events.begin(), events.end(), [&](const QuakeEvent& e) { return e.eventId == id; });
    return it == events.end() ? nullptr : &*it;
}

TEST(FeltDataTest, ARealUsgsFeedGivesFeltReportsIntensitiesAndPagerWhereItSaysThem) {
    const std::vector<QuakeEvent> events =
        ParseGeoJsonEvents(test::ReadFeedData("usgs_geojson_all_day_2019.geojson"), "usgs");
    ASSERT_EQ(events.size(), 233U);
    // Counted in the file with a JSON reader: 19 features give a felt count, an intensity or a PAGER level.
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const QuakeEvent& e) { return e.felt.Any(); }), 19);

    const QuakeEvent* lomaLinda = Find(events, "usgs:ci38211423");
    ASSERT_NE(lomaLinda, nullptr);
    EXPECT_EQ(lomaLinda->felt.reports, 515);
    EXPECT_DOUBLE_EQ(lomaLinda->felt.cdi, 3.8);
    EXPECT_DOUBLE_EQ(lomaLinda->felt.mmi, 4.17);
    EXPECT_EQ(lomaLinda->felt.alert, "");
    EXPECT_FALSE(lomaLinda->felt.tsunami);

    const QuakeEvent* taltal = Find(events, "usgs:us1000iryd");
    ASSERT_NE(taltal, nullptr);
    EXPECT_EQ(taltal->felt.alert, "green");
    EXPECT_EQ(taltal->felt.reports, 5);
    // An integer intensity ("cdi":2) reads as well.
    const QuakeEvent* roundValley = Find(events, "usgs:nc73138161");
    ASSERT_NE(roundValley, nullptr);
    EXPECT_DOUBLE_EQ(roundValley->felt.cdi, 2.0);

    const QuakeEvent* dalyCity = Find(events, "usgs:nc73138176");
    ASSERT_NE(dalyCity, nullptr);
    EXPECT_FALSE(dalyCity->felt.Any()) << "nulls say nothing";
}

TEST(FeltDataTest, ValuesNoQuakeHasAreNotTaken) {
    const auto parse = [](const std::string& properties) {
        const std::string body =
            R"({"type":"FeatureCollection","features":[{"type":"Feature","id":"us1","properties":{"mag":5.0,"time":1548872933560,)" +
            properties + R"(},"geometry":{"type":"Point","coordinates":[10.0,20.0,5.0]}}]})";
        const std::vector<QuakeEvent> events = ParseGeoJsonEvents(body, "usgs");
        return events.empty() ? FeltData{} : events.front().felt;
    };
    EXPECT_FALSE(parse(R"("felt":-3,"cdi":0.5,"mmi":13,"alert":"purple","tsunami":"1")").Any());
    EXPECT_FALSE(parse(R"("felt":1e12,"cdi":"IV","alert":"<b>red</b>","tsunami":2)").Any());
    const FeltData big = parse(R"("felt":123456,"cdi":9.1,"mmi":8.5,"alert":"red","tsunami":1)");
    EXPECT_EQ(big.reports, 123456);
    EXPECT_DOUBLE_EQ(big.cdi, 9.1);
    EXPECT_EQ(big.alert, "red");
    EXPECT_TRUE(big.tsunami);
}

TEST(FeltDataTest, MoreFeltReportsAreARevisionOfTheQuake) {
    std::vector<QuakeEvent> events =
        ParseGeoJsonEvents(test::ReadFeedData("usgs_geojson_all_day_2019.geojson"), "usgs");
    const QuakeEvent* found = Find(events, "usgs:ci38211423");
    ASSERT_NE(found, nullptr);
    QuakeRegistry quakes;
    ASSERT_EQ(quakes.Resolve(*found).kind, ReportKind::kNew);
    QuakeEvent later = *found;
    later.felt.reports = 900;
    later.updatedUtcMs += 60000;
    const ReportMatch match = quakes.Resolve(later);
    EXPECT_EQ(match.kind, ReportKind::kRevision);
    EXPECT_EQ(match.quake->values.felt.reports, 900);
    EXPECT_EQ(quakes.Resolve(later).kind, ReportKind::kRepeat);
}

// USGS's felt reports of a quake EMSC reported first reach the archive with each new count, and only then.
TEST(FeltDataTest, AnotherAgencysNewFeltReportsAreNewsForTheArchive) {
    QuakeEvent emsc;
    emsc.eventId = "emsc:20190130_0000001";
    emsc.hasNumbers = true;
    emsc.originUtcMs = 1548872933560;
    emsc.latitude = 34.05;
    emsc.longitude = -117.2;
    emsc.magnitude = 3.2;
    emsc.mag = "3.2";
    QuakeRegistry quakes;
    ASSERT_EQ(quakes.Resolve(emsc).kind, ReportKind::kNew);
    QuakeEvent usgs = emsc;
    usgs.eventId = "usgs:ci38211423";
    usgs.originUtcMs += 400;
    usgs.felt.reports = 515;
    ReportMatch match = quakes.Resolve(usgs);
    ASSERT_EQ(match.kind, ReportKind::kOtherAgency);
    EXPECT_TRUE(match.newIds);
    usgs.felt.reports = 600;
    match = quakes.Resolve(usgs);
    EXPECT_FALSE(match.newIds);
    EXPECT_TRUE(match.newFelt);
    match = quakes.Resolve(usgs);
    EXPECT_FALSE(match.newIds || match.newFelt);
}

}  // namespace
}  // namespace dravik
