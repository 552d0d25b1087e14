#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/quake_list_update.h"
#include "platform/sound.h"

namespace dravik {
namespace {

constexpr std::int64_t kHourMs = 3600LL * 1000;
constexpr std::int64_t kDayMs = 24 * kHourMs;
constexpr std::int64_t kNow = 1'750'000'000'000LL;

// The list as rows of id and origin, newest inserted on top; it trims as the window's list does.
class BoundedList final : public IQuakeListView {
public:
    struct Row {
        std::string id;
        std::int64_t origin;
    };
    void BeginUpdate() override {}
    void InsertEvent(int index, const QuakeEvent& e, int) override {
        rows.insert(rows.begin() + (index == kAppendItem ? static_cast<int>(rows.size()) : index),
                    Row{e.eventId, e.originUtcMs});
        ++inserted;
    }
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}
    std::vector<std::string> TrimRows(std::int64_t cutoff, int maxRows) override {
        std::vector<Row> kept;
        std::vector<std::string> gone;
        for (const Row& row : rows) {
            (row.origin < cutoff ? gone.push_back(row.id) : kept.push_back(row));
        }
        std::stable_sort(kept.begin(), kept.end(), [](const Row& a, const Row& b) { return a.origin > b.origin; });
        while (static_cast<int>(kept.size()) > maxRows) {
            gone.push_back(kept.back().id);
            kept.pop_back();
        }
        rows = kept;
        removals += gone.empty() ? 0 : 1;
        return gone;
    }
    bool Has(const std::string& id) const {
        return std::any_of(rows.begin(), rows.end(), [&](const Row& r) { return r.id == id; });
    }

    std::vector<Row> rows;
    int inserted = 0;
    int removals = 0;  // calls that took rows out
};

class SilentSound final : public ISound {
public:
    void PlaySound(const std::string&) override {}
};

QuakeEvent Quake(const std::string& id, std::int64_t origin, const std::string& mag = "4.0") {
    QuakeEvent e;
    e.eventId = id;
    e.mag = mag;
    e.hasNumbers = true;
    e.originUtcMs = origin;
    e.latitude = static_cast<double>(origin % 170) - 85.0;
    e.longitude = static_cast<double>(origin % 350) - 175.0;
    e.magnitude = 4.0;
    return e;
}

class ListBoundsTest : public ::testing::Test {
protected:
    void Round(const std::vector<QuakeEvent>& events, std::int64_t now, ListBounds bounds = {}, int registryDays = 30) {
        QuakeListUpdate::Hooks hooks;
        hooks.store = [this](const std::vector<QuakeEvent>& stored) {
            for (const QuakeEvent& e : stored) {
                archived.push_back(e.eventId);
            }
            return ArchiveWriteResult{};
        };
        hooks.nowUtcMs = [now] { return now; };
        hooks.bounds = bounds;
        hooks.registryDays = registryDays;
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                               std::move(hooks));
        update.RunEvents(events);
    }
    int ListedCount() {
        return static_cast<int>(std::count_if(list.rows.begin(), list.rows.end(), [this](const BoundedList::Row& r) {
            const KnownQuake* quake = quakes.Find(r.id);
            return quake != nullptr && quake->listed;
        }));
    }

    BoundedList list;
    QuakeRegistry quakes;
    UnstoredEvents unstored;
    std::vector<std::string> archived;
    std::atomic<bool> feedBusy{false}, newEvent{false}, firstFillDone{true};
    SilentSound sound;
};

// A round of 20,000 new quakes leaves the list at its bound with the newest, inserts no more than fit, and
// archives every one; the same round again changes nothing.
TEST_F(ListBoundsTest, AHugeRoundKeepsTheListAtItsBoundWithTheNewest) {
    std::vector<QuakeEvent> events;
    for (int i = 0; i < 20000; ++i) {
        events.push_back(Quake("usgs:q" + std::to_string(i), kNow - i * 20000LL));  // newest first, 4.6 days
    }
    Round(events, kNow);
    ASSERT_EQ(list.rows.size(), 5000U);
    EXPECT_EQ(list.inserted, 5000);
    EXPECT_TRUE(list.Has("usgs:q0"));
    EXPECT_TRUE(list.Has("usgs:q4999"));
    EXPECT_FALSE(list.Has("usgs:q5000"));
    EXPECT_EQ(ListedCount(), 5000);
    EXPECT_EQ(archived.size(), 20000U);
    ASSERT_NE(quakes.Find("usgs:q19999"), nullptr);
    EXPECT_FALSE(quakes.Find("usgs:q19999")->listed);

    Round(events, kNow + 1000);
    EXPECT_EQ(list.inserted, 5000);
    EXPECT_EQ(list.rows.size(), 5000U);

    // 20,000 newer ones into the full list: the rows they push out go in one block, before they come.
    const int removals = list.removals;
    std::vector<QuakeEvent> newer;
    for (int i = 0; i < 20000; ++i) {
        newer.push_back(Quake("usgs:n" + std::to_string(i), kNow + kDayMs - i * 1000LL));
    }
    Round(newer, kNow + kDayMs);
    EXPECT_EQ(list.removals, removals + 1);
    EXPECT_EQ(list.inserted, 10000);
    ASSERT_EQ(list.rows.size(), 5000U);
    EXPECT_TRUE(list.Has("usgs:n4999"));
    EXPECT_FALSE(list.Has("usgs:q0"));
    EXPECT_FALSE(quakes.Find("usgs:q0")->listed);
    EXPECT_EQ(ListedCount(), 5000);
}

// Rows leave by age; the quake stays known and a later report of it (a revision too) lists nothing but reaches
// the archive. Past the registry's span it is forgotten, and a report of it is still not listed.
TEST_F(ListBoundsTest, RowsAgeOutAndTheirQuakesDoNotComeBack) {
    Round({Quake("emsc:new", kNow - kHourMs), Quake("emsc:old", kNow - 6 * kDayMs)}, kNow);
    ASSERT_EQ(list.rows.size(), 2U);

    Round({}, kNow + 2 * kDayMs);
    ASSERT_EQ(list.rows.size(), 1U);
    EXPECT_TRUE(list.Has("emsc:new"));
    const KnownQuake* old = quakes.Find("emsc:old");
    ASSERT_NE(old, nullptr);
    EXPECT_FALSE(old->listed);

    archived.clear();
    Round({Quake("emsc:old", kNow - 6 * kDayMs, "4.4"), Quake("emsc:new", kNow - kHourMs)}, kNow + 2 * kDayMs);
    EXPECT_EQ(list.rows.size(), 1U);
    EXPECT_EQ(list.inserted, 2);
    EXPECT_EQ(archived, std::vector<std::string>{"emsc:old"});  // the revision is archived
    EXPECT_FALSE(quakes.Find("emsc:old")->listed);

    // A month later both are forgotten, and their reports list nothing.
    Round({}, kNow + 40 * kDayMs);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(quakes.Size(), 0U);
    Round({Quake("emsc:old", kNow - 6 * kDayMs, "4.4")}, kNow + 40 * kDayMs);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_EQ(list.inserted, 2);
}

// A quake that left a full list for want of room is not listed again when reported again, while a newer one is.
TEST_F(ListBoundsTest, AQuakePushedOutOfAFullListStaysOut) {
    const ListBounds bounds{7, 100};
    std::vector<QuakeEvent> events;
    for (int i = 0; i < 100; ++i) {
        events.push_back(Quake("emsc:" + std::to_string(i), kNow - (100 - i) * 60000LL));
    }
    Round(events, kNow, bounds);
    Round({Quake("emsc:fresh", kNow)}, kNow, bounds);
    EXPECT_EQ(list.rows.size(), 100U);
    EXPECT_FALSE(list.Has("emsc:0"));  // the oldest made room
    EXPECT_FALSE(quakes.Find("emsc:0")->listed);
    const int inserted = list.inserted;

    Round({Quake("emsc:0", kNow - 100 * 60000LL), Quake("emsc:fresher", kNow + 1000)}, kNow + 1000, bounds);
    EXPECT_EQ(list.inserted, inserted + 1);
    EXPECT_TRUE(list.Has("emsc:fresher"));
    EXPECT_FALSE(list.Has("emsc:0"));
    EXPECT_EQ(list.rows.size(), 100U);
}

}  // namespace
}  // namespace dravik
