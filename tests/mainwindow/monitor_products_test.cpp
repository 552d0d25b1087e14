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

TEST(MonitorProductsTest, ShakeMapLevelGoesBeforeTheExpectationInTheRow) {
    test::ScopedEnv tz{"TZ", "UTC"};
    // A USGS address that is never fetched (the page fetch is the test's own), so the quakes are USGS's.
    test::ScopedEnv quakeUrl{"DRAVIK_QUAKE_URL", "https://earthquake.usgs.gov/earthquakes/feed/v1.0/test.geojson"};
    test::ScopedEnv detailUrl{"DRAVIK_EVENT_DETAIL_URL", "http://127.0.0.1:9/detail?eventid="};
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scopedStorage{storage};
    storage.StoreText(test::kFakeLangKey, "lang", "EN");
    storage.StoreText(test::kFakeLangKey, kHomeLatitude, "36.2025");
    storage.StoreText(test::kFakeLangKey, kHomeLongitude, "36.1597");
    test::FakeSound sound;
    test::FakeNotifier notifier;

    const std::string detail = test::ReadFeedData("usgs_detail_us6000jllz_made.json");
    const ProductLinks links = *ParseEventDetail(detail, "http://127.0.0.1:9/detail?eventid=us6000jllz");
    std::map<std::string, std::string> served = {
        {"http://127.0.0.1:9/detail?eventid=us6000jllz", detail},
        {links.contours, test::ReadFeedData("shakemap_cont_mmi_made.json")},
        {links.rupture, test::ReadFeedData("shakemap_rupture_made.json")},
    };
    std::vector<std::string> asked;

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
    services.fetchProduct = [&](const std::string& url, const ConditionalRequest&, std::size_t) {
        asked.push_back(url);
        FetchResult r;
        r.ok = true;
        const auto it = served.find(url);
        r.status = it == served.end() ? 404 : 200;
        r.body = it == served.end() ? std::string() : it->second;
        return r;
    };
    services.sound = &sound;
    services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
        return ArchiveWriteResult{};
    };
    services.startFeedWorker = false;
    services.notifier = &notifier;
    services.clock = [] { return std::time_t{kNowS}; };
    services.nowUtcMs = [] { return std::int64_t{kNowS} * 1000; };
    services.tsunamiAlertedPath = test::MakeTempDir("products_window") + "/alerted.txt";
    auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
    dlg->OnInitDialog();
    dlg->show();
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 2);
    dlg->ReadQuakeProducts();

    // The detail, the contours, the cells (none served) and the rupture; nothing of the small quake far off.
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0], "http://127.0.0.1:9/detail?eventid=us6000jllz");
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
    EXPECT_EQ(asked.size(), 4u);
}

}  // namespace
}  // namespace dravik
