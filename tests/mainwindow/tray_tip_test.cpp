#include "mainwindow/tray_tip.h"

#include <gtest/gtest.h>
#include <QString>

namespace dravik {
namespace {

constexpr std::size_t kTrayBytes = 63;
const std::string kTitle = "Dravik - monitoring sejsmiczny";

// The tray shows 63 bytes: what goes wrong has them first, cut whole letters only, with a mark that it goes on.
TEST(TrayTipTest, TheProblemComesFirstWithinWhatTheTrayShows) {
    const std::string refused = "Źródło niedostępne: 127.0.0.1 (Nie można połączyć się z serwerem)";
    const std::string shortOne = "Źródło niedostępne: a.pl (HTTP 503)";
    const struct {
        std::vector<std::string> problems;
        std::string expected;
    } rows[] = {
        {{}, kTitle},
        // Room for the title after the problem: both, the problem first.
        {{"Zegar: 1 h"}, "Zegar: 1 h\n" + kTitle},
        // No room for the title: the problem alone.
        {{shortOne}, shortOne},
        // Too long even alone: cut with an ellipsis.
        {{refused}, "Źródło niedostępne: 127.0.0.1 (Nie można połączyć si\xE2\x80\xA6"},
        // Two problems: the first whole, the second as far as it goes, never a dangling line break.
        {{shortOne, refused}, shortOne + "\nŹródło niedostęp\xE2\x80\xA6"},
    };
    for (const auto& row : rows) {
        const std::string tip = TrayTipText(kTitle, row.problems, kTrayBytes);
        EXPECT_EQ(tip, row.expected);
        EXPECT_LE(tip.size(), kTrayBytes) << tip;
        EXPECT_EQ(QString::fromUtf8(tip.data(), static_cast<int>(tip.size())).toStdString(), tip)
            << "cut inside a letter: " << tip;
    }
}

}  // namespace
}  // namespace dravik

namespace dravik {
namespace {

// What came in last, in each language; the region goes last, where a short tray cuts.
TEST(TrayTipTest, TheLastQuakeInEachLanguage) {
    EXPECT_EQ(LastQuakeTip("PL", "5.2", "12:34", "HAWAII"), "Ostatnie: M 5.2 12:34 HAWAII");
    EXPECT_EQ(LastQuakeTip("EN", "5.2", "12:34", "HAWAII"), "Latest: M 5.2 12:34 HAWAII");
    EXPECT_EQ(LastQuakeTip("DE", "5.2", "12:34", "%1 %2"), "Zuletzt: M 5.2 12:34 %1 %2") << "marks in a value stay";
    const std::string tip =
        TrayTipText(LastQuakeTip("EN", "4.9", "03:10", "SOUTH SANDWICH ISLANDS REGION, FAR OFF THE COAST OF SOMEWHERE"),
                    {}, kTrayBytes);
    EXPECT_LE(tip.size(), kTrayBytes);
    EXPECT_EQ(tip.rfind("Latest: M 4.9 03:10 SOUTH", 0), 0u) << tip;
}

}  // namespace
}  // namespace dravik
