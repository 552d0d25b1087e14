#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/quake_list_update.h"
#include "platform/sound.h"
#include "sources/event_fields.h"
#include "sources/geojson_events.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr std::int64_t kNow = 1704110400000;  // 2024-01-01 12:00 UTC
constexpr std::int64_t kMinute = 60 * 1000;

// The list as rows of "id mag region", top first, and what each revision said.
class RowList final : public IQuakeListView {
public:
    void BeginUpdate() override {}
    void InsertEvent(int index, const QuakeEvent& e, int) override {
        const std::string row = e.eventId + " " + e.mag + " " + e.region;
        rows.insert(rows.begin() + (index == kAppendItem ? static_cast<int>(rows.size()) : index), row);
    }
    void ReviseEvents(const std::vector<QuakeRevision>& revisions) override {
        for (const QuakeRevision& r : revisions) {
            for (std::string& row : rows) {
                if (row.rfind(r.event.eventId + " ", 0) == 0) {
                    row = r.event.eventId + " " + r.event.mag + " " + r.event.region;
                }
            }
            changes.push_back(r.event.eventId + ": " + r.change);
        }
    }
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}

    std::vector<std::string> rows, changes;
};

class CountingSound final : public ISound {
public:
    void PlaySound(const std::string&) override { ++plays; }
    int plays = 0;
};

QuakeEvent Quake(const std::string& id, double mag, std::int64_t origin, const std::string& region = "CRETE") {
    SourceEvent s;
    s.id = id.substr(id.find(':') + 1);
    s.region = region;
    s.originUtcMs = origin;
    s.latitude = 35.0;
    s.longitude = 25.0;
    s.magnitude = mag;
    s.depthKm = 10.0;
    return *MakeQuakeEvent(s, id.substr(0, id.find(':')));
}

class QuakeRevisionTest : public ::testing::Test {
protected:
    // One round of these reports, at kNow; the alert rule: magnitude 5 and above alerts and sounds.
    void Round(const std::vector<QuakeEvent>& reports) {
        QuakeListUpdate::Hooks hooks;
        hooks.alertRule = [](const QuakeEvent& e) {
            const bool alert = e.magnitude >= 5.0;
            return EventAlert{alert, alert};
        };
        hooks.listed = [this](const std::vector<AnnouncedQuake>& round, bool) {
            for (const AnnouncedQuake& q : round) {
                announced.push_back(q.event.eventId + (q.revisedFrom.empty() ? "" : " from " + q.revisedFrom));
            }
        };
        hooks.revised = [this](const std::vector<RevisedQuake>& round) {
            for (const RevisedQuake& q : round) {
                revised.push_back(q.after.eventId + " " + q.before.mag + " to " + q.after.mag +
                                  (q.alerted ? " alerted" : "") + (q.after.reviewed ? " reviewed" : ""));
            }
        };
        hooks.store = [this](const std::vector<QuakeEvent>& events) {
            for (const QuakeEvent& e : events) {
                stored.push_back(e.eventId + " " + e.mag + (e.quakeId.empty() ? "" : " as " + e.quakeId));
            }
            return ArchiveWriteResult{};
        };
        hooks.nowUtcMs = [] { return kNow; };
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                               std::move(hooks));
        update.RunEvents(reports);
        firstFillDone = true;
    }

    RowList list;
    QuakeRegistry quakes;
    UnstoredEvents unstored;
    CountingSound sound;
    std::atomic<bool> feedBusy{false}, newEvent{false}, firstFillDone{true};
    std::vector<std::string> announced, stored, revised;
};

// One quake through its revisions: one row changed in place, one alert when it first matches the rule while
// fresh, none after; a stale quake and another agency's report never alert nor add a row.
TEST_F(QuakeRevisionTest, RevisionsChangeTheRowInPlaceAndAlertOnceWhenFresh) {
    const struct {
        QuakeEvent report;
        int sounds;
        const char* why;
    } steps[] = {
        {Quake("emsc:1", 4.5, kNow - 10 * kMinute), 0, "fresh, below the rule"},
        {Quake("emsc:2", 4.5, kNow - 2 * 60 * kMinute), 0, "stale"},
        {Quake("emsc:1", 4.8, kNow - 10 * kMinute), 0, "revised, still below"},
        {Quake("emsc:1", 5.3, kNow - 10 * kMinute, "CRETE, GREECE"), 1, "revised into the rule: alerts once"},
        {Quake("emsc:1", 5.5, kNow - 10 * kMinute), 0, "revised again: never twice"},
        {Quake("emsc:2", 6.5, kNow - 2 * 60 * kMinute), 0, "a stale quake revised into the rule"},
        {Quake("emsc:3", 7.0, kNow - 3 * 60 * kMinute), 0, "late publication of a strong quake"},
        {Quake("emsc:4", 6.0, kNow - 1 * kMinute), 1, "fresh and strong"},
        {Quake("usgs:x", 6.2, kNow - 1 * kMinute + 5000), 0, "another agency's report of it"},
        {Quake("emsc:4", 6.0, kNow - 1 * kMinute), 0, "a repeat"},
    };
    for (const auto& s : steps) {
        const int before = sound.plays;
        Round({s.report});
        EXPECT_EQ(sound.plays - before, s.sounds) << s.why;
    }
    EXPECT_EQ(list.rows, (std::vector<std::string>{"emsc:4 6.0 CRETE", "emsc:3 7.0 CRETE", "emsc:2 6.5 CRETE",
                                                   "emsc:1 5.5 CRETE"}));
    EXPECT_EQ(list.changes, (std::vector<std::string>{
                                "emsc:1: M 4.5 → M 4.8",
                                "emsc:1: M 4.8 → M 5.3; CRETE → CRETE, GREECE",
                                "emsc:1: M 5.3 → M 5.5; CRETE, GREECE → CRETE",
                                "emsc:2: M 4.5 → M 6.5",
                            }));
    EXPECT_EQ(announced, (std::vector<std::string>{"emsc:1 from 4.8", "emsc:4"}));
    // Each revision is told with what it was and whether its quake had alerted (its notice to update).
    EXPECT_EQ(revised, (std::vector<std::string>{"emsc:1 4.5 to 4.8", "emsc:1 4.8 to 5.3", "emsc:1 5.3 to 5.5 alerted",
                                                 "emsc:2 4.5 to 6.5"}));
    // Every change reaches the archive, the other agency's report as an id of the quake; a repeat does not.
    EXPECT_EQ(stored, (std::vector<std::string>{"emsc:1 4.5", "emsc:2 4.5", "emsc:1 4.8", "emsc:1 5.3", "emsc:1 5.5",
                                                "emsc:2 6.5", "emsc:3 7.0", "emsc:4 6.0", "usgs:x 6.2 as emsc:4"}));
}

// The agency reviewing a quake is a revision, though nothing the row shows changed.
TEST_F(QuakeRevisionTest, AReviewAloneIsARevision) {
    Round({Quake("usgs:r", 6.0, kNow - kMinute)});
    QuakeEvent reviewed = Quake("usgs:r", 6.0, kNow - kMinute);
    reviewed.reviewed = true;
    Round({reviewed});
    Round({reviewed});
    EXPECT_EQ(revised, (std::vector<std::string>{"usgs:r 6.0 to 6.0 alerted reviewed"}));
    EXPECT_EQ(stored, (std::vector<std::string>{"usgs:r 6.0", "usgs:r 6.0"}));
    EXPECT_EQ(list.rows, (std::vector<std::string>{"usgs:r 6.0 CRETE"}));
}

// Quakes an earlier run stored are known: an update of one (a push after a restart) lists it once, with the new
// values, and another agency's report of it adds no row. One that matched the rule then never alerts again; one
// that did not alerts once when a revision of it, still fresh, first matches.
TEST_F(QuakeRevisionTest, QuakesOfTheArchiveAreListedOnceAndAlertOnlyWhenRevisedIntoTheRule) {
    quakes.AddArchived(Quake("emsc:9", 5.5, kNow - 20 * kMinute), {"emsc:9", "gfz:9"}, true);
    quakes.AddArchived(Quake("emsc:8", 4.0, kNow - 30 * kMinute, "RHODES"), {"emsc:8"}, false);
    Round({Quake("emsc:9", 5.6, kNow - 20 * kMinute)});
    Round({Quake("gfz:9", 5.0, kNow - 20 * kMinute), Quake("iris:9", 5.7, kNow - 20 * kMinute + 1000)});
    EXPECT_EQ(sound.plays, 0);
    EXPECT_FALSE(newEvent.load());
    Round({Quake("emsc:8", 5.2, kNow - 30 * kMinute, "RHODES")});
    Round({Quake("emsc:8", 5.4, kNow - 30 * kMinute, "RHODES")});
    EXPECT_EQ(list.rows, (std::vector<std::string>{"emsc:8 5.4 RHODES", "emsc:9 5.6 CRETE"}));
    EXPECT_EQ(sound.plays, 1);
    EXPECT_EQ(announced, (std::vector<std::string>{"emsc:8 from 4.0"}));
}

// Freshness and the revision text on their own.
TEST(QuakeFreshnessTest, AnHourAfterTheOriginAndClassicRowsAlways) {
    QuakeEvent e = Quake("emsc:1", 4.0, kNow - 60 * kMinute);
    EXPECT_TRUE(IsFresh(e, kNow));
    EXPECT_FALSE(IsFresh(e, kNow + 1));
    e.hasNumbers = false;
    EXPECT_TRUE(IsFresh(e, kNow + 1000 * kMinute));
    EXPECT_EQ(RevisionText(e, e), "");
    QuakeEvent moved = e;
    moved.wsp1 = "35.10 ";
    moved.depth = "12";
    EXPECT_EQ(RevisionText(e, moved), "35.00, 25.00 → 35.10, 25.00; 10 km → 12 km");
}

// A real USGS day feed holding distinct quakes with equal texts (The Geysers, Kilauea, Aguanga): each id is a
// quake of its own, and a repeat of the feed adds nothing.
TEST(QuakeRegistryRealData, EveryDistinctIdOfOneAgencyIsAQuake) {
    const std::string body = test::ReadFeedData("usgs_geojson_all_day_2019.geojson");
    const std::vector<QuakeEvent> events = ParseGeoJsonEvents(body, "usgs");
    ASSERT_EQ(events.size(), 233U);
    QuakeRegistry quakes;
    std::size_t fresh = 0, sameTexts = 0;
    std::vector<std::string> keys;
    for (const QuakeEvent& e : events) {
        fresh += quakes.Resolve(e).kind == ReportKind::kNew ? 1 : 0;
        const std::string key = e.mag + e.wsp1 + e.wsp2;
        sameTexts += std::find(keys.begin(), keys.end(), key) != keys.end() ? 1 : 0;
        keys.push_back(key);
    }
    EXPECT_EQ(fresh, 233U);
    EXPECT_GE(sameTexts, 2U) << "the feed must hold quakes the old texts-only rule took for one";
    for (const QuakeEvent& e : events) {
        EXPECT_EQ(quakes.Resolve(e).kind, ReportKind::kRepeat) << e.eventId;
    }
}

}  // namespace
}  // namespace dravik
