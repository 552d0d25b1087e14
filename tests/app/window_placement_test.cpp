#include "app/window_placement.h"

#include <gtest/gtest.h>

#include "app/settings_value.h"
#include "tests/common/fake_settings_storage.h"

namespace dravik {
namespace {

TEST(WindowPlacementTest, TextReadsBackAndDamagedTextsAreNoPlacement) {
    const WindowPlacement placement{QRect(-20, 30, 1200, 900), true};
    EXPECT_EQ(PlacementText(placement), "-20 30 1200 900 1");
    const auto read = ParsePlacement(PlacementText(placement));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rect, placement.rect);
    EXPECT_TRUE(read->maximized);

    for (const char* damaged : {"", "1 2 3", "1 2 3 4 5", "1 2 0 4 0", "1 2 3 -4 0", "a b c d 0", "1 2 3 4 0 extra",
                                "1 2 99999999999 4 0", "1 2 3 4 2"}) {
        EXPECT_FALSE(ParsePlacement(damaged)) << '"' << damaged << '"';
    }
}

TEST(WindowPlacementTest, RestoredOnlyWhenItFitsOneOfTheScreens) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1050), QRect(1920, 0, 1280, 1024)};
    const QSize minimum(700, 650);
    const struct {
        const char* name;
        QRect rect;
        bool restored;
    } cases[] = {
        {"on the first screen", {100, 50, 1200, 900}, true},
        {"on the second screen", {2000, 10, 1000, 900}, true},
        {"the whole first screen", {0, 0, 1920, 1050}, true},
        {"across both screens", {1500, 50, 1000, 900}, false},
        {"a screen that is gone", {3300, 50, 1000, 900}, false},
        {"taller than the screen", {100, 0, 1200, 1100}, false},
        {"partly above the screen", {100, -40, 1200, 900}, false},
        {"smaller than the template", {100, 50, 600, 900}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FittingPlacement({c.rect, false}, screens, minimum).has_value(), c.restored) << c.name;
    }
    EXPECT_FALSE(FittingPlacement({QRect(10, 10, 800, 700), false}, {}, minimum)) << "no screen";
}

// Where the main window opens on common screens: the frame, title bar included, inside the available area.
TEST(WindowPlacementTest, OpensAtItsShareWithItsFrameOnTheScreen) {
    const QSize minimum(803, 689);  // the main window's template
    const QMargins frame(2, 32, 2, 2);
    const QRect laptop(0, 0, 1366, 728);  // 1366x768 beside a 40 px panel
    const QRect left(0, 0, 1920, 1050);
    const QRect right(1920, 200, 1280, 1024);  // a second screen, lower down
    const struct {
        const char* name;
        std::optional<WindowPlacement> stored;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {"1366x768 with a panel: template height, centred", {}, {laptop}, {173, 34, 1020, 689}},
        {"1280x720 without a panel: title bar at the top", {}, {QRect(0, 0, 1280, 720)}, {162, 32, 956, 689}},
        {"1024x600: too small, the title bar stays in view", {}, {QRect(0, 0, 1024, 600)}, {110, 32, 803, 689}},
        {"two screens: on the first", {}, {left, right}, {242, 111, 1436, 858}},
        {"stored, fitting the second screen: kept",
         WindowPlacement{{2000, 300, 900, 700}, false},
         {left, right},
         {2000, 300, 900, 700}},
        {"stored on a screen that is gone: onto the first",
         WindowPlacement{{3300, 50, 900, 700}, false},
         {left},
         {1018, 50, 900, 700}},
        {"stored above the screen: title bar brought down",
         WindowPlacement{{100, -40, 900, 700}, false},
         {left},
         {100, 32, 900, 700}},
        {"stored across screens: onto the one it covers most",
         WindowPlacement{{1700, 400, 1000, 700}, false},
         {left, right},
         {1922, 400, 1000, 700}},
    };
    for (const auto& c : cases) {
        const QRect rect = OpeningRect(c.stored, c.screens, minimum, frame, kMainWindowShare);
        EXPECT_EQ(rect, c.expected) << c.name << ": " << rect.x() << " " << rect.y() << " " << rect.width() << " "
                                    << rect.height();
        // The title bar is always on a screen; the whole frame where the screen holds it.
        const QRect framed = rect.marginsAdded(frame);
        bool inside = false;
        bool titleShown = false;
        for (const QRect& screen : c.screens) {
            inside = inside || screen.contains(framed);
            titleShown = titleShown || screen.contains(framed.topLeft());
        }
        EXPECT_TRUE(titleShown) << c.name;
        EXPECT_EQ(inside, c.screens.front().height() >= minimum.height() + frame.top() + frame.bottom()) << c.name;
    }
    EXPECT_EQ(OpeningRect({}, {laptop}, minimum, frame, std::nullopt).size(), minimum) << "no share: the template";
}

TEST(WindowPlacementTest, StoredInTheProgramsSettingsPerWindow) {
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scoped(storage);
    EXPECT_FALSE(LoadWindowPlacement("main"));
    SaveWindowPlacement("main", {QRect(10, 20, 800, 700), false});
    SaveWindowPlacement("history", {QRect(30, 40, 600, 500), true});
    EXPECT_EQ(storage.Stored(test::kFakeLangKey, "window/main")->bytes, std::string("10 20 800 700 0\0", 16));
    const auto main = LoadWindowPlacement("main");
    ASSERT_TRUE(main);
    EXPECT_EQ(main->rect, QRect(10, 20, 800, 700));
    EXPECT_FALSE(main->maximized);
    EXPECT_TRUE(LoadWindowPlacement("history")->maximized);

    storage.StoreText(test::kFakeLangKey, "window/main", "garbage");
    EXPECT_FALSE(LoadWindowPlacement("main"));
}

TEST(WindowPlacementTest, HomePlaceTextsAsTheSettingsWindowStoresThem) {
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scoped(storage);
    HomePlaceTexts none = ReadHomePlaceTexts();
    EXPECT_EQ(none.lat, "");
    EXPECT_EQ(none.lon, "");
    storage.StoreText(test::kFakeLangKey, "home/latitude", "52.23");
    storage.StoreText(test::kFakeLangKey, "home/longitude", "21.01");
    storage.StoreText(test::kFakeLangKey, "home/name", "Warszawa");
    const HomePlaceTexts home = ReadHomePlaceTexts();
    EXPECT_EQ(home.lat, "52.23");
    EXPECT_EQ(home.lon, "21.01");
    EXPECT_EQ(home.name, "Warszawa");
}

}  // namespace
}  // namespace dravik
