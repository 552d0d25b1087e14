#include "feed/quake_list_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sound.h"
#include "tests/common/quake_page.h"

namespace dravik {
namespace {

using test::NumberedQuakeRows;
using test::QuakePageHtml;
using test::QuakeRow;

struct ListItem {
    std::string mag, region, data1, data2, wsp1, wsp2, depth;
    int image = -1;
};

// Records what the update does to the list, and checks that every list change happens inside the update.
class RecordingList final : public IQuakeListView {
public:
    void BeginUpdate() override {
        ++beginCount;
        locked = true;
    }
    void InsertEvent(int index, const QuakeEvent& e, int imageIndex) override {
        EXPECT_TRUE(locked);
        if (index == kAppendItem) {
            index = static_cast<int>(items.size());
        }
        items.insert(items.begin() + index,
                     ListItem{e.mag, e.region, e.data1, e.data2, e.wsp1, e.wsp2, e.depth, imageIndex});
        if (selected >= index) {
            ++selected;
        }
    }
    void SelectItem(int index) override {
        if (index < static_cast<int>(items.size())) {
            selected = index;
        }
    }
    void ShowSelectionOnMap() override {
        mapCallsWhileBusy += busy != nullptr && *busy ? 1 : 0;
        if (selected >= 0) {
            shownOnMap.push_back(items[static_cast<std::size_t>(selected)].region);
        }
    }
    void EndUpdate() override {
        ++endCount;
        locked = false;
    }

    std::vector<std::string> Regions() const {
        std::vector<std::string> out;
        for (const auto& item : items) {
            out.push_back(item.region);
        }
        return out;
    }

    std::vector<ListItem> items;
    int selected = -1;
    bool locked = false;
    int beginCount = 0;
    int endCount = 0;
    int mapCallsWhileBusy = 0;
    std::vector<std::string> shownOnMap;
    const std::atomic<bool>* busy = nullptr;
};

class CountingSound final : public ISound {
public:
    void PlaySound(const std::string& name) override { names.push_back(name); }
    std::vector<std::string> names;
};

class QuakeListUpdateTest : public ::testing::Test {
protected:
    QuakeListUpdateTest() { list.busy = &feedBusy; }

    // One cycle over `page`.
    void Cycle(const std::string& page) {
        QuakeListUpdate update(
            list, seen, FeedFlags{feedBusy, newEvent, firstFillDone},
            [&] {
                busyDuringFetch = feedBusy;
                lockedDuringFetch = list.locked;
                return page;
            },
            sound, [&](const QuakeEvent& e) { stored.push_back(e.region); });
        update.Run();
    }

    RecordingList list;
    SeenEvents seen;
    std::atomic<bool> feedBusy{false}, newEvent{false}, firstFillDone{false};
    bool busyDuringFetch = false;
    bool lockedDuringFetch = false;
    CountingSound sound;
    std::vector<std::string> stored;
};

std::vector<std::string> RegionsOf(const std::vector<QuakeRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        out.push_back(row.region);
    }
    return out;
}

TEST_F(QuakeListUpdateTest, FirstFillKeepsPageOrderSelectsFirstItemAndIsSilent) {
    const auto rows = NumberedQuakeRows(500000, 50);
    Cycle(QuakePageHtml(rows));

    EXPECT_EQ(list.Regions(), RegionsOf(rows));
    EXPECT_EQ(stored, RegionsOf(rows));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.shownOnMap, std::vector<std::string>{"REGION 500000"});
    EXPECT_EQ(list.mapCallsWhileBusy, 0);
    EXPECT_TRUE(sound.names.empty());
    EXPECT_TRUE(newEvent);
    EXPECT_TRUE(firstFillDone);
    EXPECT_FALSE(feedBusy);
    EXPECT_TRUE(busyDuringFetch);
    EXPECT_TRUE(lockedDuringFetch);
    EXPECT_EQ(list.beginCount, 1);
    EXPECT_EQ(list.endCount, 1);
    EXPECT_FALSE(list.locked);

    const ListItem& first = list.items.front();
    EXPECT_EQ(first.mag, "4.5");
    EXPECT_EQ(first.image, 1);
    EXPECT_EQ(first.data1, "2016-05-10");
    EXPECT_EQ(first.data2, "19:03");
    EXPECT_EQ(first.wsp1, rows[0].lat + " ");
    EXPECT_EQ(first.wsp2, rows[0].lon + " ");
    EXPECT_EQ(first.depth, "10");
}

TEST_F(QuakeListUpdateTest, SamePageAgainChangesNothing) {
    const std::string page = QuakePageHtml(NumberedQuakeRows(500000, 50));
    Cycle(page);
    newEvent = false;
    Cycle(page);

    EXPECT_EQ(list.items.size(), 50u);
    EXPECT_EQ(stored.size(), 50u);
    EXPECT_TRUE(sound.names.empty());
    EXPECT_FALSE(newEvent);
    EXPECT_EQ(list.shownOnMap.size(), 1u) << "only the first cycle shows an event on the map";
}

TEST_F(QuakeListUpdateTest, NewRowsGoToTheTopInReversePageOrderWithOneSoundEach) {
    auto rows = NumberedQuakeRows(500000, 3);
    Cycle(QuakePageHtml(rows));
    QuakeRow a{"600001"}, b{"600002"};
    a.region = "A";
    b.region = "B";
    rows.insert(rows.begin(), {a, b});
    Cycle(QuakePageHtml(rows));

    EXPECT_EQ(list.Regions(), (std::vector<std::string>{"B", "A", "REGION 500000", "REGION 500001", "REGION 500002"}));
    EXPECT_EQ(sound.names, (std::vector<std::string>{"earthquake-04.wav", "earthquake-04.wav"}));
    EXPECT_TRUE(newEvent);
}

TEST_F(QuakeListUpdateTest, SeenTestUsesTheLeadingNumberOfTheId) {
    // A row standing twice, and ids that differ as texts but not as numbers, are one event each.
    QuakeRow twice{"512345"}, padded{"012345"}, shortId{"12345"}, other{"700000"};
    twice.region = "TWICE";
    padded.region = "PADDED";
    shortId.region = "SHORT";
    other.region = "OTHER";
    Cycle(QuakePageHtml({twice, padded, twice, shortId, other}));

    EXPECT_EQ(list.Regions(), (std::vector<std::string>{"TWICE", "PADDED", "OTHER"}));
    EXPECT_EQ(seen.Ids(), (std::vector<std::string>{"512345", "012345", "700000"}));
}

TEST_F(QuakeListUpdateTest, FailedFirstFetchThenAGoodPageListsAllAtTheTopWithSound) {
    Cycle("");
    EXPECT_TRUE(list.items.empty());
    EXPECT_EQ(list.selected, -1);
    EXPECT_TRUE(firstFillDone);
    EXPECT_FALSE(newEvent);

    const auto rows = NumberedQuakeRows(500000, 4);
    Cycle(QuakePageHtml(rows));
    EXPECT_EQ(list.Regions(),
              (std::vector<std::string>{"REGION 500003", "REGION 500002", "REGION 500001", "REGION 500000"}));
    EXPECT_EQ(sound.names.size(), 4u);
    EXPECT_EQ(list.selected, -1) << "nothing is selected after the first cycle";
}

TEST(MagnitudeClassTest, Boundaries) {
    const struct {
        const char* mag;
        int image;
    } cases[] = {{"3.9", 0}, {"4.0", 1}, {"5.9", 1},  {"6.0", 2},       {"6.99", 2}, {"7.0", 3}, {"8.2", 3},
                 {"", 0},    {"M4", 0},  {" 4.1", 1}, {"4.5&nbsp;", 1}, {"-5", 0},   {"nan", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(MagnitudeClass(c.mag), c.image) << '"' << c.mag << '"';
    }
}

TEST(LeadingIntegerTest, FollowsAtol) {
    EXPECT_EQ(LeadingInteger("012345"), 12345);
    EXPECT_EQ(LeadingInteger("12345\""), 12345);
    EXPECT_EQ(LeadingInteger(" 42x"), 42);
    EXPECT_EQ(LeadingInteger("abc"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
}

}  // namespace
}  // namespace dravik
