#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/alert_settings_key.h"
#include "history/history_dlg.h"
#include "history/history_template.h"
#include "platform/qt/dialog_builder.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/process_events.h"
#include "tests/common/test_env.h"
#include "tests/history/scoped_tz.h"

namespace dravik {
namespace {

struct Quake {
    std::string mag, region, data2, wsp1, wsp2, depth;
};

// One day's quakes with their depths, as the feed stores them.
std::string MakeDatabase(const std::vector<Quake>& quakes) {
    const std::string path = test::MakeTempDir("history-shaking") + "/dravik.dat";
    CreateEventTable(path);
    CQuakeDatabase db(path);
    db.Query("BEGIN");
    int n = 0;
    for (const Quake& q : quakes) {
        ++n;
        db.ClearFields();
        db.AddField("ident", std::to_string(n));
        db.AddField("mag", q.mag);
        db.AddField("region", q.region);
        db.AddField("data1", "2016-03-05");
        db.AddField("data2", q.data2);
        db.AddField("wsp1", q.wsp1);
        db.AddField("wsp2", q.wsp2);
        db.WriteRecord("trze");
        db.Query("INSERT INTO trze_id (id,row,source,origin_ms,creator,depth) VALUES ('q" + std::to_string(n) +
                 "',last_insert_rowid(),'test',0,1," + SqlQuote(q.depth) + ")");
    }
    db.Query("COMMIT");
    return path;
}

// Newest first, as listed.
const std::vector<Quake> kQuakes = {
    {"7.0", "CENTRAL POLAND", "23:00", "52.20 ", "21.05 ", "10"},              // under Warsaw: strong
    {"2.0", "NORTHERN CHILE", "22:00", "-21.71 ", "-68.50 ", "100"},           // far from both: not felt
    {"7.0", "NEAR EAST COAST OF HONSHU", "21:00", "36.10 ", "140.90 ", "30"},  // felt in Tokyo
    {"3.0", "SOUTHERN SWEDEN", "20:00", "56.50 ", "14.00 ", "10"},             // 700 km from Warsaw: no
    {"3.5", "CENTRAL POLAND", "19:00", "51.50 ", "16.10 ", "1"},               // 330 km: weak at most
    {"5.0", "KURIL ISLANDS", "18:00", "47.00 ", "153.00 ", "abc"},             // 1,700 km from Tokyo
};
const std::vector<Place> kWarsawAndTokyo = {{"", 52.23, 21.01}, {"Tokyo", 35.68, 139.69}};

std::time_t LocalNoon(int year, int month, int day) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

CHistoryDlg::Options OptionsFor(const std::string& path, std::vector<Place> places) {
    CHistoryDlg::Options options;
    options.databasePath = path;
    options.now = [] { return LocalNoon(2016, 3, 5); };
    options.places = [places] { return places; };
    return options;
}

bool Loaded(const CHistoryDlg& dlg) {
    return test::ProcessEventsUntil([&dlg] { return !dlg.IsLoading(); });
}

QComboBox* Levels(CHistoryDlg& dlg) {
    return qobject_cast<QComboBox*>(FindControl(&dlg, kIdShakingLevel));
}

void ChooseLevel(CHistoryDlg& dlg, const QString& level) {
    QComboBox* combo = Levels(dlg);
    const int index = combo->findText(level);
    ASSERT_GE(index, 0) << level.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void Click(CHistoryDlg& dlg, int id) {
    qobject_cast<QAbstractButton*>(FindControl(&dlg, id))->click();
}

std::vector<std::string> Listed(const CHistoryDlg& dlg) {
    std::vector<std::string> out;
    for (const HistoryRow& row : dlg.ListedRows()) {
        out.push_back(row.mag + " " + row.region);
    }
    return out;
}

TEST(HistoryShaking, FilterAndChartKeepToTheQuakesFeltAtThePlaces) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kQuakes), kWarsawAndTokyo));
    ASSERT_TRUE(Loaded(dlg));
    // Off at first: the classic listing, no shaking worked out.
    EXPECT_EQ(Levels(dlg)->currentText(), QString::fromUtf8("—"));
    EXPECT_TRUE(Levels(dlg)->isEnabled());
    ASSERT_EQ(dlg.ListedRows().size(), kQuakes.size());
    EXPECT_TRUE(std::all_of(dlg.ListedRows().begin(), dlg.ListedRows().end(),
                            [](const HistoryRow& r) { return r.shaking == 0; }));
    ChooseLevel(dlg, "III");
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"7.0 CENTRAL POLAND", "7.0 NEAR EAST COAST OF HONSHU"}));
    for (const HistoryRow& row : dlg.ListedRows()) {
        EXPECT_GE(row.shaking, 3) << row.region;
    }
    // The chart follows the list: the magnitudes of the two.
    EXPECT_EQ(dlg.CurrentChart().bars.size(), 2u);

    ChooseLevel(dlg, "VII");
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"7.0 CENTRAL POLAND"}));

    // Off again: every quake of the range.
    ChooseLevel(dlg, QString::fromUtf8("—"));
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(dlg.ListedRows().size(), kQuakes.size());

    // The shaking chart, filter off: every quake at its strongest level, the axis in levels.
    Click(dlg, kIdValueShaking);
    ASSERT_TRUE(Loaded(dlg));
    ASSERT_EQ(dlg.ListedRows().size(), kQuakes.size());
    const ChartGeometry chart = dlg.CurrentChart();
    EXPECT_EQ(chart.valueAxis.high, 12);
    ASSERT_FALSE(chart.valueAxis.ticks.empty());
    EXPECT_EQ(chart.valueAxis.ticks.back().label, "XII");
    const std::vector<HistoryRow>& rows = dlg.ListedRows();
    EXPECT_GE(rows[0].shaking, 7);
    EXPECT_LE(rows[1].shaking, 1);
    ASSERT_EQ(chart.bars.size(), rows.size());
    // The quake under Warsaw stands tallest.
    for (const ChartBox& bar : chart.bars) {
        EXPECT_LE(bar.height, chart.bars[0].height);
    }
    // The picture, kept for a look: the filter at III and the shaking chart.
    if (const char* dir = std::getenv("DRAVIK_TEST_BINARY_DIR")) {
        ChooseLevel(dlg, "III");
        ASSERT_TRUE(Loaded(dlg));
        dlg.show();
        dlg.grab().save(QString::fromUtf8(dir) + "/history_window_shaking.png");
    }
    Click(dlg, 1007);
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_EQ(dlg.CurrentChart().valueAxis.ticks.back().label, "10");
}

TEST(HistoryShaking, WithoutPlacesTheFilterIsNotOffered) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    CHistoryDlg dlg(OptionsFor(MakeDatabase(kQuakes), {}));
    ASSERT_TRUE(Loaded(dlg));
    const QString why = QString::fromUtf8("Najpierw ustaw dom lub inne miejsca w ustawieniach programu");
    for (int id : {kIdShakingLevel, kIdShakingLabel, kIdValueShaking}) {
        QWidget* control = FindControl(&dlg, id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_FALSE(control->isEnabled()) << id;
        EXPECT_EQ(control->toolTip(), why) << id;
    }
    EXPECT_EQ(Levels(dlg)->currentIndex(), 0);
    EXPECT_EQ(dlg.ListedRows().size(), kQuakes.size());
    EXPECT_EQ(qobject_cast<QLabel*>(FindControl(&dlg, kIdShakingLabel))->text(),
              QString::fromUtf8("Odczuwalne u mnie od"));
}

// As the program opens it: the places from the settings, the texts in the user's language.
TEST(HistoryShaking, PlacesFromTheSettingsTextsInTheLanguage) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    const std::string path = MakeDatabase(kQuakes);
    const struct {
        const char* lang;
        bool home;
        const char* label;
        const char* value;
        const char* tip;
    } cases[] = {
        {"EN", true, "Felt at my places from", "Shaking at my places",
         "Only quakes whose expected Mercalli intensity reaches this level at home or at one of the other places"},
        {"EN", false, "Felt at my places from", "Shaking at my places",
         "First set your home or other places in the program's settings"},
        {"DE", false, "Spürbar an meinen Orten ab", "Erschütterung an meinen Orten",
         "Zuerst Zuhause oder andere Orte in den Einstellungen des Programms festlegen"},
    };
    for (const auto& c : cases) {
        test::FakeSettingsStorage storage;
        test::ScopedSettingsStorage scoped(storage);
        storage.StoreText(test::kFakeLangKey, "lang", c.lang);
        if (c.home) {
            storage.StoreText(test::kFakeLangKey, kHomeLatitude, "52.23");
            storage.StoreText(test::kFakeLangKey, kHomeLongitude, "21.01");
        }
        CHistoryDlg::Options options;
        options.databasePath = path;
        options.now = [] { return LocalNoon(2016, 3, 5); };
        CHistoryDlg dlg(options);
        ASSERT_TRUE(Loaded(dlg));
        EXPECT_EQ(Levels(dlg)->isEnabled(), c.home) << c.lang;
        EXPECT_EQ(qobject_cast<QLabel*>(FindControl(&dlg, kIdShakingLabel))->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(qobject_cast<QAbstractButton*>(FindControl(&dlg, kIdValueShaking))->text(),
                  QString::fromUtf8(c.value));
        EXPECT_EQ(Levels(dlg)->toolTip(), QString::fromUtf8(c.tip)) << c.lang;
        if (c.home) {
            ChooseLevel(dlg, "III");
            ASSERT_TRUE(Loaded(dlg));
            EXPECT_EQ(Listed(dlg), (std::vector<std::string>{"7.0 CENTRAL POLAND"}));
        }
    }
}

}  // namespace
}  // namespace dravik
