#include "feed/quake_list_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sound.h"
#include "tests/common/quake_page.h"

namespace dravik {
namespace {

using test::QuakePageHtml;
using test::QuakeRow;

// The list as the update leaves it: regions top to bottom.
class RecordingList final : public IQuakeListView {
public:
    void BeginUpdate() override {}
    void InsertEvent(int index, const QuakeEvent& e, int) override {
        regions.insert(regions.begin() + (index == kAppendItem ? static_cast<int>(regions.size()) : index), e.region);
    }
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}

    std::vector<std::string> regions;
};

class SilentSound final : public ISound {
public:
    void PlaySound(const std::string&) override {}
};

class QuakeListUpdateTest : public ::testing::Test {
protected:
    // One cycle over `page`.
    void Cycle(const std::string& page) {
        QuakeListUpdate update(
            list, seen, FeedFlags{feedBusy, newEvent, firstFillDone}, [&] { return page; }, sound,
            [](const QuakeEvent&) {});
        update.Run();
    }

    RecordingList list;
    SeenEvents seen;
    std::atomic<bool> feedBusy{false}, newEvent{false}, firstFillDone{false};
    SilentSound sound;
};

TEST_F(QuakeListUpdateTest, SeenTestUsesTheLeadingNumberOfTheId) {
    // A row standing twice, and ids that differ as texts but not as numbers, are one event each.
    QuakeRow twice{"512345"}, padded{"012345"}, shortId{"12345"}, other{"700000"};
    twice.region = "TWICE";
    padded.region = "PADDED";
    shortId.region = "SHORT";
    other.region = "OTHER";
    Cycle(QuakePageHtml({twice, padded, twice, shortId, other}));

    EXPECT_EQ(list.regions, (std::vector<std::string>{"TWICE", "PADDED", "OTHER"}));
    EXPECT_EQ(seen.Ids(), (std::vector<std::string>{"512345", "012345", "700000"}));
}

TEST(LeadingNumberKeyTest, EqualWhereTheLeadingIntegerIsEqualAndLongIdsStayApart) {
    const std::vector<std::string> ids = {"012345",
                                          "12345\"",
                                          " +12345x",
                                          "0",
                                          "",
                                          "abc",
                                          "-0",
                                          "-7",
                                          "-07",
                                          "7",
                                          "20171031000000212345",
                                          "20171031000000212346",
                                          "9223372036854775807"};
    for (const std::string& a : ids) {
        for (const std::string& b : ids) {
            const bool longIds = a.size() > 18 || b.size() > 18;
            if (!longIds) {
                EXPECT_EQ(LeadingNumberKey(a) == LeadingNumberKey(b), LeadingInteger(a) == LeadingInteger(b))
                    << '"' << a << "\" \"" << b << '"';
            }
        }
    }
    // atol reads both as the largest long; as events they are two.
    EXPECT_EQ(LeadingInteger("20171031000000212345"), LeadingInteger("20171031000000212346"));
    EXPECT_NE(LeadingNumberKey("20171031000000212345"), LeadingNumberKey("20171031000000212346"));
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
