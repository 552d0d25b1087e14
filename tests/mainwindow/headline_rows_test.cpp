// The list's rows as the headline issue wants them: what people felt beside what is expected, the shaking
// cell quiet below II, the marks named for screen readers, USGS's tsunami flag as a neutral note, and colours
// readable on a light and a dark list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <string>

#include "alerts/alert_rule.h"
#include "controls/palette_colours.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/list_colours.h"
#include "shaking/intensity.h"
#include "tests/common/fake_settings_storage.h"

namespace dravik {
namespace {

// An M 2.4 near Hermosa Beach with 103 USGS felt reports, 29 km from Los Angeles.
QuakeEvent Hermosa() {
    QuakeEvent e;
    e.eventId = "usgs:ci40000001";
    e.mag = "2.4";
    e.region = "4 km SW of Hermosa Beach, CA";
    e.data1 = "2026-12-06";
    e.data2 = "12:00:00";
    e.wsp1 = "33.84";
    e.wsp2 = "-118.43";
    e.depth = "10";
    e.hasNumbers = true;
    e.originUtcMs = 1'765'000'000'000LL;
    e.latitude = 33.84;
    e.longitude = -118.43;
    e.magnitude = 2.4;
    e.felt.reports = 103;
    e.felt.cdi = 3.9;
    return e;
}

AlertSettings LosAngeles() {
    AlertSettings s;
    s.places = {{"Los Angeles", 34.05, -118.24}};
    return s;
}

class HeadlineRowsTest : public ::testing::Test {
protected:
    HeadlineRowsTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
        SetUpEventList(m_list);
        ShowPlaceColumns(m_list, true);
    }

    int Insert(const QuakeEvent& event) {
        InsertEventRow(m_list, {}, 0, event, MagnitudeClassOf(event), AlertRowView(event, LosAngeles(), "EN"));
        return 0;
    }
    static int MagnitudeClassOf(const QuakeEvent& event) {
        return event.magnitude >= 7.0 ? 3 : event.magnitude >= 6.0 ? 2 : event.magnitude >= 4.0 ? 1 : 0;
    }
    QString Data(int row, int column, int role) const { return m_list.Text(row, column, role); }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    CEventList m_list;
};

TEST_F(HeadlineRowsTest, ObservedShownBesideTheExpectationAndTheShakingCellQuietBelowII) {
    const int row = Insert(Hermosa());
    const AlertDecision d = DecideAlert(Hermosa(), LosAngeles(), 0);
    ASSERT_EQ(d.maxLevel, 1) << "the equation expects nothing felt in Los Angeles";
    EXPECT_EQ(Data(row, kColumnShaking, Qt::DisplayRole), QString()) << "no column of I";
    const std::string tooltip = Data(row, kColumnRegion, Qt::ToolTipRole).toStdString();
    EXPECT_NE(tooltip.find("Los Angeles: I – not felt"), std::string::npos) << tooltip;
    EXPECT_NE(tooltip.find("felt IV, 103 reports"), std::string::npos) << tooltip;
    EXPECT_EQ(Data(row, kColumnRegion, Qt::AccessibleDescriptionRole), QStringLiteral("felt IV, 103 reports"));
    const QVariantList marks = m_list.model()->index(row, kColumnRegion).data(CEventListModel::kMarksRole).toList();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0].toList().value(0).toString(), QStringLiteral("IV\u00b7103"));
    // The row's quake takes the band over a quiet one: observed IV 29 km from the place.
    const HeadlineCandidate quake = CandidateOf(m_list.Model().Row(row));
    EXPECT_EQ(LevelAtPlaces(quake), 4);
    EXPECT_TRUE(IsSignificant(quake));
}

TEST_F(HeadlineRowsTest, TheAgencysTsunamiFlagIsANoteOnlyACentresMessageIsIssued) {
    QuakeEvent e = Hermosa();
    e.felt = {};
    e.felt.tsunami = true;
    e.felt.alert = "orange";
    const int row = Insert(e);
    std::string tooltip = Data(row, kColumnRegion, Qt::ToolTipRole).toStdString();
    EXPECT_NE(tooltip.find("Large quake under the sea: tsunami.gov has the official messages"), std::string::npos)
        << tooltip;
    EXPECT_EQ(tooltip.find("issued"), std::string::npos) << tooltip;
    EXPECT_EQ(Data(row, kColumnRegion, Qt::AccessibleDescriptionRole), QStringLiteral("PAGER orange"));
    EXPECT_FALSE(CandidateOf(m_list.Model().Row(row)).tsunamiMessage);
    // A revision that keeps quiet about what was felt leaves the row's PAGER level as it was.
    QuakeEvent revised = e;
    revised.felt = {};
    revised.mag = "2.6";
    ReviseEventRow(m_list, {}, row, revised, "M 2.4 → 2.6", AlertRowView(revised, LosAngeles(), "EN"));
    EXPECT_EQ(m_list.Model().Row(row).felt.alert, "orange");

    ASSERT_TRUE(MarkTsunamiRow(m_list, row));
    tooltip = Data(row, kColumnRegion, Qt::ToolTipRole).toStdString();
    EXPECT_NE(tooltip.find("Tsunami message issued – check official warnings"), std::string::npos) << tooltip;
    EXPECT_EQ(Data(row, kColumnRegion, Qt::AccessibleDescriptionRole),
              QStringLiteral("PAGER orange; Tsunami message issued – check official warnings"));
    EXPECT_TRUE(CandidateOf(m_list.Model().Row(row)).tsunamiMessage);
    // The centre's mark is the row's own: never read back as the agency's flag.
    const int quiet = Insert(Hermosa());
    ASSERT_TRUE(MarkTsunamiRow(m_list, quiet));
    EXPECT_FALSE(EventOfRow(m_list, quiet).felt.tsunami);
}

// Light and dark lists: every coloured text stands 4.5:1 from the base, the band's text from the band.
TEST(ListColoursTest, ReadableOnLightAndDarkPalettes) {
    struct Theme {
        const char* name;
        QRgb base, window, windowText, highlight;
    };
    const Theme themes[] = {
        {"light", 0xFFFFFFFF, 0xFFEFEFEF, 0xFF000000, 0xFF308CC6},
        {"dark", 0xFF1E1E1E, 0xFF353535, 0xFFFFFFFF, 0xFF2A82DA},
        {"grey", 0xFF808080, 0xFF808080, 0xFF000000, 0xFF808080},
    };
    for (const Theme& theme : themes) {
        for (int magnitudeClass = 1; magnitudeClass <= 3; ++magnitudeClass) {
            const std::optional<QRgb> colour = MagnitudeTextColour(magnitudeClass, theme.base);
            ASSERT_TRUE(colour.has_value());
            EXPECT_GE(ContrastRatio(*colour, theme.base), kMinTextContrast)
                << theme.name << " M class " << magnitudeClass;
        }
        EXPECT_FALSE(MagnitudeTextColour(0, theme.base).has_value()) << "small quakes keep the theme's text";
        for (int level = 2; level <= kMaxIntensity; ++level) {
            EXPECT_GE(ContrastRatio(ShakingTextColour(level, theme.base), theme.base), kMinTextContrast)
                << theme.name << " level " << level;
        }
        for (const char* alert : {"green", "yellow", "orange", "red"}) {
            EXPECT_GE(ContrastRatio(*PagerTextColour(alert, theme.base), theme.base), kMinTextContrast)
                << theme.name << " " << alert;
        }
        EXPECT_GE(ContrastRatio(TsunamiMarkColour(theme.base), theme.base), kMinTextContrast) << theme.name;
        EXPECT_GE(ContrastRatio(FeltMarkColour(theme.base), theme.base), kMinTextContrast) << theme.name;
        for (const bool down : {false, true}) {
            const BandColours band = HeadlineBandColours(theme.window, theme.windowText, theme.highlight, down);
            EXPECT_GE(ContrastRatio(band.text, band.background), kMinTextContrast) << theme.name;
        }
    }
    // In the dark, the scale's pale tints are kept light rather than darkened into the background.
    EXPECT_GT(RelativeLuminance(ShakingTextColour(2, 0xFF1E1E1E)), 0.4);
}

}  // namespace
}  // namespace dravik
