// The lines a row's tooltip gives a place: what was measured there first, then the expectation.
#include <gtest/gtest.h>

#include "app/ui_texts.h"

namespace dravik {
namespace {

TEST(MeasuredTextsTest, ShakeMapAndFeltReportsBeforeTheExpectation) {
    PlaceShaking s;
    s.distanceKm = 137.0;
    s.level = 8;
    s.intensity = 7.5;
    s.expectedLevel = 6;
    s.expectedIntensity = 5.8;
    s.shakeMapLevel = 8;
    s.feltLevel = 7;
    s.feltReports = 412;
    struct Case {
        const char* lang;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"EN",
         {"ShakeMap: VIII at Antakya", "felt at Antakya: VII, 412 reports within 10 km",
          "Antakya: VI – strong, 137 km"}},
        {"PL",
         {"ShakeMap, Antakya: VIII", "Odczuwalne, Antakya: VII (zgłoszeń w promieniu 10 km: 412)",
          "Antakya: VI – silne, 137 km"}},
        {"DE", {"ShakeMap: VIII in Antakya", "verspürt in Antakya: VII, 412 Meldungen im Umkreis von 10 km"}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = PlaceShakingLines(c.lang, "Antakya", s);
        ASSERT_EQ(lines.size(), 3u) << c.lang;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(lines[i], c.lines[i]) << c.lang;
        }
    }
    // Nothing measured: the expectation alone, as before.
    PlaceShaking plain;
    plain.distanceKm = 20.0;
    plain.level = plain.expectedLevel = 4;
    const std::vector<std::string> lines = PlaceShakingLines("EN", "Tulsa", plain);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], PlaceShakingLine("EN", "Tulsa", plain));
}

}  // namespace
}  // namespace dravik
