// The window's side of what USGS measured: a quake that reaches III at the home is looked up, its row's tooltip
// says ShakeMap's level before the expectation; a quake that does not is never asked for.
#include <QApplication>

#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/alert_settings_key.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/environment.h"
#include "tests/common/fake_notifier.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr long long kNowS = 1765109100;  // 2025-12-07 12:05 UTC

std::string Feature(const std::string& id, double mag, int minutesAgo, double lat, double lon, const char* place) {
    const long long ms = (kNowS - minutesAgo * 60LL) * 1000;
    return "{\"type\":\"Feature\",\"id\":\"" + id + "\",\"properties\":{\"mag\":" + std::to_string(mag) +
           ",\"time\":" + std::to_string(ms) + ",\"place\":\"" + place +
           "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + std::to_string(lon) + "," + std::to_string(lat) +
           ",10]}}";
}

// The window over a USGS page of the 2023 M 7.8 in Türkiye (ShakeMap's contours and rupture served) and a small
// quake far off, with the home at Antakya.
class MonitorProductsTest : public ::testing::Test {
protected:
    MonitorProductsTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
        m_storage.StoreText(test::kFakeLangKey, kHomeLatitude, "36.2025");
        m_storage.StoreText(test::kFakeLangKey, kHomeLongitude, "36.1597");
    }

    std::unique_ptr<CMonitorDlg> MakeWindow() {
        const std::string detail = test::ReadFeedData("usgs_detail_us6000jllz_made.json");
        const ProductLinks links = *ParseEventDetail(detail, "http://127.0.0.1:9/detail?eventid=us6000jllz");
        m_served = {
            {"http://127.0.0.1:9/detail?eventid=us6000jllz", detail},
            {links.contours, test::ReadFeedData("shakemap_cont_mmi_made.json")},
            {links.rupture, test::ReadFeedData("shakemap_rupture_made.json")},
        };
        MonitorServices services;
        const std::string page = "{\"type\":\"FeatureCollection\",\"features\":[" +
                                 Feature("us6000jllz", 7.8, 20, 37.226, 37.014, "Pazarcik, Turkiye") + "," +
                                 Feature("us7000far", 4.0, 25, 37.0, 21.0, "SOUTHERN GREECE") + "]}";
        services.fetchPage = [page](const std::string&) { return page; };
        services.fetchSource = services.fetchPage;
        services.fetchStatus = [page](const std::string&) {
            FetchResult r;
            r.ok = true;
            r.status = 200;
            r.body = page;
            return r;
        };
        services.fetchProduct = [this](const std::string& url, const ConditionalRequest&, std::size_t) {
            m_asked.push_back(url);
            FetchResult r;
            r.ok = true;
            const auto it = m_served.find(url);
            r.status = it == m_served.end() ? 404 : 200;
            r.body = it == m_served.end() ? std::string() : it->second;
            return r;
        };
        services.sound = &m_sound;
        services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
            return ArchiveWriteResult{};
        };
        services.startFeedWorker = false;
        services.notifier = &m_notifier;
        services.clock = [] { return std::time_t{kNowS}; };
        services.nowUtcMs = [] { return std::int64_t{kNowS} * 1000; };
        services.tsunamiAlertedPath = test::MakeTempDir("products_window") + "/alerted.txt";
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        dlg->show();
        return dlg;
    }

    test::ScopedEnv m_tz{"TZ", "UTC"};
    // A USGS address that is never fetched (the page fetch is the test's own), so the quakes are USGS's.
    test::ScopedEnv m_quakeUrl{"DRAVIK_QUAKE_URL", "https://earthquake.usgs.gov/earthquakes/feed/v1.0/test.geojson"};
    test::ScopedEnv m_detailUrl{"DRAVIK_EVENT_DETAIL_URL", "http://127.0.0.1:9/detail?eventid="};
    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    test::FakeNotifier m_notifier;
    std::map<std::string, std::string> m_served;
    std::vector<std::string> m_asked;
};

TEST_F(MonitorProductsTest, ShakeMapLevelGoesBeforeTheExpectationInTheRow) {
    auto dlg = MakeWindow();
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 2);
    dlg->ReadQuakeProducts();

    // The detail, the contours, the cells (none served) and the rupture; nothing of the small quake far off.
    ASSERT_EQ(m_asked.size(), 4u);
    EXPECT_EQ(m_asked[0], "http://127.0.0.1:9/detail?eventid=us6000jllz");
    std::string tooltip;
    for (int row = 0; row < dlg->GetItemCount(); ++row) {
        if (dlg->GetItemText(row, 1) == "Pazarcik, Turkiye") {
            tooltip = dlg->m_listEvents->Text(row, 1, Qt::ToolTipRole).toStdString();
        }
    }
    const auto shakeMap = tooltip.find("ShakeMap: VIII at Home");
    const auto expected = tooltip.find("Home: VI");
    ASSERT_NE(shakeMap, std::string::npos) << tooltip;
    ASSERT_NE(expected, std::string::npos) << tooltip;
    EXPECT_LT(shakeMap, expected) << tooltip;

    // The next cycle within the quarter hour asks nothing; the rows keep what was read.
    dlg->ReadQuakeProducts();
    EXPECT_EQ(m_asked.size(), 4u);
}

// Expected VI at Antakya stays under a rule of VII; ShakeMap's VIII, read a cycle later, passes it: the quake
// alerts then (sound and notice), once.
TEST_F(MonitorProductsTest, AMeasuredLevelThatPassesTheRuleAlertsOnce) {
    m_storage.StoreText(test::kFakeLangKey, kAlertGlobalMagnitude, "9");
    m_storage.StoreText(test::kFakeLangKey, kAlertMinIntensity, "7");
    auto dlg = MakeWindow();
    dlg->RefreshQuakeList();
    dlg->RefreshQuakeList();  // the first fill never sounds; this cycle is an ordinary one
    ASSERT_EQ(dlg->GetItemCount(), 2);
    EXPECT_TRUE(m_notifier.notices.empty());
    EXPECT_FALSE(dlg->m_bNewEvent);

    dlg->ReadQuakeProducts();
    ASSERT_EQ(m_notifier.notices.size(), 1u);
    EXPECT_NE(m_notifier.notices[0].summary.find("7.8"), std::string::npos) << m_notifier.notices[0].summary;
    EXPECT_NE(m_notifier.notices[0].body.find("VIII"), std::string::npos) << m_notifier.notices[0].body;
    EXPECT_EQ(m_sound.Played().size(), 1u);
    EXPECT_TRUE(dlg->m_bNewEvent);

    // Its next report, and the next look, alert no more.
    dlg->RefreshQuakeList();
    m_served.clear();
    dlg->ReadQuakeProducts();
    EXPECT_EQ(m_notifier.notices.size(), 1u);
    EXPECT_EQ(m_sound.Played().size(), 1u);
}

}  // namespace
}  // namespace dravik
