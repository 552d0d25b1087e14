#include "mainwindow/map_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

class FakeBrowser final : public IBrowser {
public:
    void SetSilent(bool silent) override {
        m_silent = silent;
        ++m_setSilentCalls;
    }
    void Navigate(const std::string& address) override {
        // Every navigation must come after silent mode was set.
        m_navigatedSilently.push_back(m_silent);
        m_addresses.push_back(address);
    }

    bool m_silent = false;
    int m_setSilentCalls = 0;
    std::vector<bool> m_navigatedSilently;
    std::vector<std::string> m_addresses;
};

TEST(MapAddress, EachKindHasItsPageAndOnlyStreetMapSendsMagnitude) {
    struct Case {
        int kind;
        const char* expected;
    };
    const Case cases[] = {
        {0, "http://maps.test/mapa/m.php?wsp1=38.12&wsp2=-12.50&mag=4.3"},
        {1, "http://maps.test/mapa/ms.php?wsp1=38.12&wsp2=-12.50"},
        {2, "http://maps.test/mapa/mh.php?wsp1=38.12&wsp2=-12.50"},
        {3, "http://maps.test/mapa/mf.php?wsp1=38.12&wsp2=-12.50"},
        {4, ""},
        {-1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildMapAddress("http://maps.test", c.kind, "38.12", "-12.50"), c.expected) << "kind " << c.kind;
    }
}

TEST(MapAddress, CoordinatesAreInsertedAsTheyAre) {
    EXPECT_EQ(BuildMapAddress("s:", 1, "a&b=c", "x#y"), "s:/mapa/ms.php?wsp1=a&b=c&wsp2=x#y");
}

TEST(MapAddress, ServerIsTheOverrideElseTheBuiltInOne) {
    {
        test::ScopedEnv env("DRAVIK_MAP_URL", nullptr);
        EXPECT_EQ(MapServerAddress(), "dravik-map://map");
    }
    {
        test::ScopedEnv env("DRAVIK_MAP_URL", "http://127.0.0.1:8080/");
        EXPECT_EQ(MapServerAddress(), "http://127.0.0.1:8080");
        EXPECT_EQ(MapView().Server(), "http://127.0.0.1:8080");
    }
}

const MapCoordinates kEventA{"38.12", "-12.50"};
const MapCoordinates kEventB{"-3.40", "101.20"};

TEST(MapRefresh, StopsWithoutNavigatingWhenBoxUncheckedNoSelectionOrFeedBusy) {
    struct Case {
        const char* name;
        bool showMap;
        bool hasSelection;
        bool feedBusy;
    };
    const Case cases[] = {
        {"box unchecked", false, true, false},
        {"no selection", true, false, false},
        {"feed busy", true, true, true},
    };
    for (const Case& c : cases) {
        MapView map("http://maps.test");
        map.SetMapKindChanged();
        FakeBrowser browser;
        const std::optional<MapCoordinates> selected =
            c.hasSelection ? std::optional<MapCoordinates>(kEventA) : std::nullopt;
        EXPECT_FALSE(map.RefreshMap(browser, c.showMap, selected, c.feedBusy, 0)) << c.name;
        EXPECT_TRUE(browser.m_addresses.empty()) << c.name;
        EXPECT_EQ(browser.m_setSilentCalls, 0) << c.name;
        // Nothing is remembered, so the next proper refresh navigates.
        EXPECT_TRUE(map.LastLat().empty()) << c.name;
        EXPECT_TRUE(map.MapKindChanged()) << c.name;
    }
}

TEST(MapRefresh, NavigatesSilentlyOncePerEvent) {
    MapView map("http://maps.test");
    FakeBrowser browser;
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventA, false, 0));
    EXPECT_FALSE(map.RefreshMap(browser, true, kEventA, false, 0));  // same event again
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventB, false, 0));
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventA, false, 0));
    ASSERT_EQ(browser.m_addresses.size(), 3u);
    EXPECT_EQ(browser.m_addresses[1], "http://maps.test/mapa/m.php?wsp1=-3.40&wsp2=101.20&mag=4.3");
    EXPECT_EQ(browser.m_navigatedSilently, std::vector<bool>(3, true));
}

TEST(MapRefresh, SameEventWithOtherLongitudeIsAnotherEvent) {
    MapView map("http://maps.test");
    FakeBrowser browser;
    map.RefreshMap(browser, true, MapCoordinates{"10.0", "20.0"}, false, 0);
    EXPECT_TRUE(map.RefreshMap(browser, true, MapCoordinates{"10.0", "21.0"}, false, 0));
}

TEST(MapRefresh, ClickingAKindNavigatesAgainEvenForTheSameKindAndEvent) {
    MapView map("http://maps.test");
    FakeBrowser browser;
    map.RefreshMap(browser, true, kEventA, false, 0);
    map.SetMapKindChanged();  // the already checked "Normalna" clicked again
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventA, false, 0));
    EXPECT_FALSE(map.MapKindChanged());
    map.SetMapKindChanged();
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventA, false, 1));
    ASSERT_EQ(browser.m_addresses.size(), 3u);
    EXPECT_EQ(browser.m_addresses[0], browser.m_addresses[1]);
    EXPECT_EQ(browser.m_addresses[2], "http://maps.test/mapa/ms.php?wsp1=38.12&wsp2=-12.50");
}

TEST(MapRefresh, KindClickedWhileUncheckedNavigatesOnceTheBoxIsCheckedAgain) {
    MapView map("http://maps.test");
    FakeBrowser browser;
    map.RefreshMap(browser, true, kEventA, false, 0);
    // The box is unchecked: the click is remembered but the page stays.
    map.SetMapKindChanged();
    EXPECT_FALSE(map.RefreshMap(browser, false, kEventA, false, 2));
    // Checking the box again refreshes the same event in the new kind, once.
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventA, false, 2));
    EXPECT_FALSE(map.RefreshMap(browser, true, kEventA, false, 2));
    ASSERT_EQ(browser.m_addresses.size(), 2u);
    EXPECT_EQ(browser.m_addresses[1], "http://maps.test/mapa/mh.php?wsp1=38.12&wsp2=-12.50");
}

TEST(MapRefresh, RecheckingTheBoxForTheSameEventDoesNotNavigate) {
    MapView map("http://maps.test");
    FakeBrowser browser;
    map.RefreshMap(browser, true, kEventA, false, 0);
    EXPECT_FALSE(map.RefreshMap(browser, false, kEventB, false, 0));
    EXPECT_FALSE(map.RefreshMap(browser, true, kEventA, false, 0));
    EXPECT_TRUE(map.RefreshMap(browser, true, kEventB, false, 0));
    EXPECT_EQ(browser.m_addresses.size(), 2u);
}

TEST(MapRefresh, SpacesLeaveTheAddressButStayInTheComparison) {
    MapView map("http://maps.test");
    FakeBrowser browser;
    const MapCoordinates spaced{" 38.12 ", "- 12.50"};
    EXPECT_TRUE(map.RefreshMap(browser, true, spaced, false, 3));
    EXPECT_EQ(browser.m_addresses.back(), "http://maps.test/mapa/mf.php?wsp1=38.12&wsp2=-12.50");
    EXPECT_EQ(map.LastLat(), " 38.12 ");
    EXPECT_EQ(map.LastLon(), "- 12.50");
    EXPECT_FALSE(map.RefreshMap(browser, true, spaced, false, 3));
    // The same numbers without the spaces are other texts, so they navigate (to the same address).
    EXPECT_TRUE(map.RefreshMap(browser, true, MapCoordinates{"38.12", "-12.50"}, false, 3));
    EXPECT_EQ(browser.m_addresses.size(), 2u);
}

}  // namespace
}  // namespace dravik
