// The window's headline over real rounds: quakes arrive, the one that concerns the user's place takes the band,
// the selection and the map; a row the user chose in the last minute keeps the selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QTest>
#include <ctime>
#include <string>
#include <vector>

#include "app/alert_settings_key.h"
#include "app/settings_value.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/headline_band.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/environment.h"
#include "tests/common/fake_notifier.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

std::string Feature(const std::string& id, double mag, const std::string& place, double lon, double lat,
                    std::int64_t ms, int felt = -1, double cdi = -1.0) {
    const std::string feltText = felt >= 0 ? std::to_string(felt) : "null";
    const std::string cdiText = cdi >= 0.0 ? std::to_string(cdi) : "null";
    return "{\"type\":\"Feature\",\"id\":\"" + id + "\",\"properties\":{\"mag\":" + std::to_string(mag) +
           ",\"place\":\"" + place + "\",\"time\":" + std::to_string(ms) + ",\"updated\":" + std::to_string(ms) +
           ",\"felt\":" + feltText + ",\"cdi\":" + cdiText +
           ",\"mmi\":null,\"alert\":" + (felt >= 0 ? "\"orange\"" : "null") + ",\"tsunami\":0,\"ids\":\"," + id +
           ",\",\"type\":\"earthquake\"},\"geometry\":{\"type\":\"Point\","
           "\"coordinates\":[" +
           std::to_string(lon) + "," + std::to_string(lat) + ",10.0]}}";
}

std::string Collection(const std::vector<std::string>& features) {
    std::string body = "{\"type\":\"FeatureCollection\",\"features\":[";
    for (std::size_t i = 0; i < features.size(); ++i) {
        body += (i ? "," : "") + features[i];
    }
    return body + "]}";
}

class HeadlineWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::tzset();
        Store("lang", "EN");
        Store(kHomeLatitude, "41.01");
        Store(kHomeLongitude, "28.98");
        Store(kHomeName, "İstanbul");
        Store(kAlertMinIntensity, "4");
        Store(kAlertGlobalMagnitude, "9");
    }
    void Store(const char* name, const char* value) { m_storage.StoreText(test::kFakeLangKey, name, value); }

    std::unique_ptr<CMonitorDlg> MakeWindow() {
        MonitorServices services;
        services.fetchPage = [this](const std::string& url) { return url == QuakeUrl() ? m_page : std::string(); };
        services.sound = &m_sound;
        services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
            return ArchiveWriteResult{};
        };
        services.startFeedWorker = false;
        services.notifier = &m_notifier;
        services.clock = [this] { return static_cast<std::time_t>(m_nowMs / 1000); };
        services.nowUtcMs = [this] { return m_nowMs; };
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        dlg->show();
        return dlg;
    }

    // A round, then what it queued for the window (the arrival's claim, the band's refresh once the rows settle).
    void Round(CMonitorDlg& dlg, const std::string& page) {
        m_page = page;
        dlg.RefreshQuakeList();
        QTest::qWait(250);
    }

    // Quakes are named by their regions here: the ids the program gives them depend on the source's address.
    static std::string SelectedId(const CMonitorDlg& dlg) {
        const int row = dlg.GetFirstSelectedItem();
        return row < 0 ? "<none>" : EventOfRow(*dlg.m_listEvents, row).region;
    }
    static std::string BandId(const CMonitorDlg& dlg) {
        const int row = FindEventRow(*dlg.m_listEvents, dlg.m_headline->EventId());
        return row < 0 ? "<none>" : EventOfRow(*dlg.m_listEvents, row).region;
    }
    static int RowOf(const CMonitorDlg& dlg, const std::string& region) {
        for (int row = 0; row < dlg.GetItemCount(); ++row) {
            if (EventOfRow(*dlg.m_listEvents, row).region == region) {
                return row;
            }
        }
        return -1;
    }

    test::ScopedEnv m_tz{"TZ", "UTC"};
    test::ScopedEnv m_quakeUrl{"DRAVIK_QUAKE_URL", "http://127.0.0.1:9/quakes.geojson"};
    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    test::FakeNotifier m_notifier;
    std::string m_page;
    std::int64_t m_nowMs = 1'765'108'800'000LL;
};

TEST_F(HeadlineWindowTest, TheQuakeThatConcernsThePlaceTakesTheBandTheSelectionAndTheMap) {
    constexpr std::int64_t kMinute = 60 * 1000;
    const std::string calif1 = Feature("ci1", 1.5, "5 km N of Ridgecrest, CA", -117.67, 35.67, m_nowMs - 9 * kMinute);
    const std::string calif2 = Feature("ci2", 0.9, "3 km W of Cobb, CA", -122.76, 38.82, m_nowMs - 8 * kMinute);
    auto dlg = MakeWindow();
    Round(*dlg, Collection({calif2, calif1}));
    ASSERT_EQ(dlg->GetItemCount(), 2);
    dlg->RefreshHeadline();
    EXPECT_FALSE(dlg->m_headline->isVisible()) << "nothing to say: no band";

    // The second answer: the M 7.4 east of İstanbul, under newer small Californian quakes.
    m_nowMs += kMinute;
    const std::string big = Feature("us74", 7.4, "us74 Marmara Sea", 29.90, 40.95, m_nowMs - 2 * kMinute, 3120);
    const std::string calif3 = Feature("ci3", 0.3, "2 km S of Anza, CA", -116.67, 33.54, m_nowMs - kMinute / 2);
    const std::string calif4 = Feature("ci4", 1.9, "8 km E of Idyllwild, CA", -116.63, 33.74, m_nowMs - kMinute / 3);
    Round(*dlg, Collection({calif4, calif3, big, calif2, calif1}));
    ASSERT_EQ(dlg->GetItemCount(), 5);
    EXPECT_NE(dlg->GetFirstSelectedItem(), 0) << "the list's top is a newer small quake";
    ASSERT_TRUE(dlg->m_headline->isVisible());
    EXPECT_EQ(BandId(*dlg), "us74 Marmara Sea");
    const std::string text = dlg->m_headline->text().toStdString();
    EXPECT_EQ(text.rfind("M 7.4 · ", 0), 0u) << text;
    EXPECT_NE(text.find("of İstanbul · "), std::string::npos) << text;
    EXPECT_NE(text.find("expected at İstanbul"), std::string::npos) << text;
    EXPECT_NE(text.find("3 120 felt reports · PAGER orange · no tsunami message"), std::string::npos) << text;
    EXPECT_EQ(dlg->m_headline->accessibleName().toStdString(), text) << "screen readers read it";
    EXPECT_EQ(SelectedId(*dlg), "us74 Marmara Sea");
    EXPECT_EQ(dlg->m_mapView.LastLat().rfind("40.95", 0), 0u) << dlg->m_mapView.LastLat();

    // The user picks a small quake; a larger one near İstanbul within the minute takes the band only.
    const int small = RowOf(*dlg, "2 km S of Anza, CA");
    const QRect cell = dlg->m_listEvents->visualRect(dlg->m_listEvents->model()->index(small, 1));
    QTest::mouseClick(dlg->m_listEvents->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(SelectedId(*dlg), "2 km S of Anza, CA");
    m_nowMs += kMinute / 2;
    const std::string bigger = Feature("us76", 7.6, "us76 Marmara Sea", 29.30, 40.80, m_nowMs - kMinute / 4);
    Round(*dlg, Collection({bigger, calif4, calif3, big, calif2, calif1}));
    EXPECT_EQ(BandId(*dlg), "us76 Marmara Sea");
    EXPECT_EQ(SelectedId(*dlg), "2 km S of Anza, CA") << "the user's choice of the last minute stays";

    // A click on the band selects its quake.
    QTest::mouseClick(dlg->m_headline, Qt::LeftButton);
    EXPECT_EQ(SelectedId(*dlg), "us76 Marmara Sea");

    // An aftershock alerting at the place later does not push the main shock out of the band.
    m_nowMs += 2 * kMinute;
    const std::string after = Feature("us51", 5.1, "us51 Marmara Sea", 29.40, 40.85, m_nowMs - kMinute / 4);
    Round(*dlg, Collection({after, bigger, calif4, calif3, big, calif2, calif1}));
    EXPECT_EQ(BandId(*dlg), "us76 Marmara Sea");
}

TEST_F(HeadlineWindowTest, SignificantOnlyHidesWhatNoPlaceFeelsBelowM25) {
    constexpr std::int64_t kMinute = 60 * 1000;
    auto dlg = MakeWindow();
    Round(*dlg, Collection({Feature("ci1", 1.5, "Ridgecrest, CA", -117.67, 35.67, m_nowMs - kMinute),
                            Feature("us3", 3.1, "Crete, Greece", 25.0, 35.0, m_nowMs - 2 * kMinute),
                            Feature("tr2", 2.0, "Istanbul, Turkey", 29.10, 41.05, m_nowMs - 3 * kMinute, 40, 3.4)}));
    ASSERT_EQ(dlg->GetItemCount(), 3);
    QTest::mouseClick(dlg->m_significantBox, Qt::LeftButton);
    ASSERT_TRUE(dlg->m_significantBox->isChecked());
    const auto hidden = [&](const char* id) { return dlg->m_listEvents->isRowHidden(RowOf(*dlg, id)); };
    EXPECT_TRUE(hidden("Ridgecrest, CA"));
    EXPECT_FALSE(hidden("Crete, Greece"));
    EXPECT_FALSE(hidden("Istanbul, Turkey")) << "an M 2.0 people reported near the home";
    EXPECT_EQ(ReadSettingsText("list/significantOnly").value_or(""), "1") << "kept for the next start";
    // A row that arrives later is filtered as well.
    Round(*dlg, Collection({Feature("ci9", 0.8, "Cobb, CA", -122.76, 38.82, m_nowMs),
                            Feature("ci1", 1.5, "Ridgecrest, CA", -117.67, 35.67, m_nowMs - kMinute)}));
    EXPECT_TRUE(hidden("Cobb, CA"));
    QTest::mouseClick(dlg->m_significantBox, Qt::LeftButton);
    EXPECT_FALSE(hidden("Ridgecrest, CA"));
    EXPECT_FALSE(hidden("Cobb, CA"));
}

}  // namespace
}  // namespace dravik
