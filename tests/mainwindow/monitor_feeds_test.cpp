// Two feeds of one agency on one host (the day's quakes and the week's large ones): the first fill lists the
// newest quake first whichever address is read first.
#include <QApplication>

#include <ctime>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/monitor_dlg.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr long long kNowS = 1765109100;  // 2025-12-07 12:05 UTC

std::string Feature(const std::string& id, double mag, int minutesAgo, const char* place, const char* lonLat) {
    const long long ms = (kNowS - minutesAgo * 60LL) * 1000;
    return "{\"type\":\"Feature\",\"id\":\"" + id + "\",\"properties\":{\"mag\":" + std::to_string(mag) +
           ",\"time\":" + std::to_string(ms) + ",\"place\":\"" + place +
           "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + lonLat + ",10]}}";
}

std::string Page(const std::vector<std::string>& features) {
    std::string page = "{\"type\":\"FeatureCollection\",\"features\":[";
    for (std::size_t i = 0; i < features.size(); ++i) {
        page += (i == 0 ? "" : ",") + features[i];
    }
    return page + "]}";
}

TEST(MonitorFeedsTest, OneAgencysTwoFeedsAreListedNewestFirstAtTheFirstFill) {
    test::ScopedEnv tz{"TZ", "UTC"};
    const std::string older = "http://127.0.0.1:9/feed/4.5_week.geojson";
    const std::string newer = "http://127.0.0.1:9/feed/all_hour.geojson";
    const std::string both = older + " " + newer;
    test::ScopedEnv quakeUrl{"DRAVIK_QUAKE_URL", both.c_str()};
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scopedStorage{storage};
    storage.StoreText(test::kFakeLangKey, "lang", "EN");
    test::FakeSound sound;

    const std::map<std::string, std::string> served = {
        {older, Page({Feature("us1", 4.9, 300, "Fiji region", "178.1,-17.9"),
                      Feature("us2", 5.2, 2000, "Tonga", "-174.2,-20.1")})},
        {newer, Page({Feature("hv3", 1.9, 5, "5 km S of Volcano, Hawaii", "-155.2,19.4"),
                      Feature("hv4", 2.1, 40, "3 km E of Pahala, Hawaii", "-155.4,19.2")})},
    };
    const auto body = [served](const std::string& url) {
        const auto it = served.find(url);
        return it == served.end() ? std::string() : it->second;
    };
    MonitorServices services;
    services.fetchPage = body;
    services.fetchSource = body;
    services.fetchStatus = [body](const std::string& url) {
        FetchResult r;
        r.body = body(url);
        r.ok = !r.body.empty();
        r.status = r.ok ? 200 : 404;
        return r;
    };
    services.sound = &sound;
    services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
        return ArchiveWriteResult{};
    };
    services.startFeedWorker = false;
    services.clock = [] { return std::time_t{kNowS}; };
    services.nowUtcMs = [] { return std::int64_t{kNowS} * 1000; };
    services.tsunamiAlertedPath = test::MakeTempDir("two_feeds") + "/alerted.txt";
    auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
    dlg->OnInitDialog();
    dlg->show();
    dlg->RefreshQuakeList();

    std::vector<std::string> regions;
    for (int row = 0; row < dlg->GetItemCount(); ++row) {
        regions.push_back(dlg->GetItemText(row, 1));
    }
    EXPECT_EQ(regions, (std::vector<std::string>{"5 km S of Volcano, Hawaii", "3 km E of Pahala, Hawaii", "Fiji region",
                                                 "Tonga"}));
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 0) << "the newest quake is selected and shown";
}

}  // namespace
}  // namespace dravik
