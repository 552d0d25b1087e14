// The window's side of the tsunami warning centres' messages: the notice and its click, the status line, the
// mark on the quake a message names, and a feed that fails.
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/environment.h"
#include "tests/common/fake_notifier.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/http_test_server.h"
#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr int kIdStatusLine = 1019;
constexpr const char* kTsunamiLine = "Tsunami message issued – check official warnings";

class LinkCatcher final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> m_opened;

public slots:
    void Open(const QUrl& url) { m_opened << url; }
};

// A GeoJSON quake `minutesAgo` before the test's clock (2025-12-07 12:05 UTC).
std::string Feature(const std::string& id, const std::string& place, int minutesAgo, double lat, double lon) {
    const long long ms = (1765109100LL - minutesAgo * 60LL) * 1000;
    return "{\"type\":\"Feature\",\"id\":\"" + id + "\",\"properties\":{\"mag\":7.9,\"time\":" + std::to_string(ms) +
           ",\"place\":\"" + place + "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" + std::to_string(lon) +
           "," + std::to_string(lat) + ",10]}}";
}

class MonitorTsunamiTest : public ::testing::Test {
protected:
    void SetUp() override { m_storage.StoreText(test::kFakeLangKey, "lang", "EN"); }

    std::unique_ptr<CMonitorDlg> MakeWindow() {
        MonitorServices services;
        services.fetchPage = [](const std::string& url) {
            if (url != QuakeUrl()) {
                return std::string();
            }
            return "{\"type\":\"FeatureCollection\",\"features\":[" +
                   Feature("us7000near", "NEAR EAST COAST OF HONSHU, JAPAN", 10, 38.2, 142.6) + "," +
                   Feature("us7000far", "SOUTHERN GREECE", 12, 37.0, 21.0) + "]}";
        };
        services.sound = &m_sound;
        services.storeEvents = [](const std::vector<QuakeEvent>&, const std::atomic<bool>*) {
            return ArchiveWriteResult{};
        };
        services.startFeedWorker = false;
        services.notifier = &m_notifier;
        services.clock = [] { return std::time_t{1765109100}; };
        services.nowUtcMs = [] { return std::int64_t{1765109100} * 1000; };
        services.tsunamiAlertedPath = test::MakeTempDir("tsunami_window") + "/alerted.txt";
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        dlg->show();
        return dlg;
    }

    static std::string TooltipOf(const CMonitorDlg& dlg, const std::string& region) {
        for (int row = 0; row < dlg.GetItemCount(); ++row) {
            if (dlg.GetItemText(row, 1) == region) {
                return dlg.m_listEvents->Text(row, 1, Qt::ToolTipRole).toStdString();
            }
        }
        return "<no row>";
    }

    test::HttpTestServer m_server;
    test::ScopedEnv m_tz{"TZ", "UTC"};
    test::ScopedEnv m_quakeUrl{"DRAVIK_QUAKE_URL", "http://127.0.0.1:9/quake"};
    const std::string m_tsunamiUrls =
        m_server.Url("/events/xml/PHEBAtom.xml") + " " + m_server.Url("/events/xml/PAAQAtom.xml");
    test::ScopedEnv m_tsunamiUrl{"DRAVIK_TSUNAMI_URL", m_tsunamiUrls.c_str()};
    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    test::FakeNotifier m_notifier;
};

// A warning: one critical notice with the centre's name, in the status line while it lasts, the quake it names
// marked as USGS's flag marks one, and a click opens the bulletin in the browser.
TEST_F(MonitorTsunamiTest, AWarningIsNotifiedOnceShownAndMarksItsQuake) {
    m_server.Serve("/events/xml/PHEBAtom.xml", test::ReadFeedData("ptwc_warning_made.xml"), 200,
                   "application/atom+xml");
    m_server.Serve("/events/xml/PAAQAtom.xml",
                   "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>none</title></feed>");
    auto dlg = MakeWindow();
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 2);
    dlg->ReadTsunamiMessages();

    ASSERT_EQ(m_notifier.notices.size(), 1u);
    const DesktopNotice& notice = m_notifier.notices[0];
    EXPECT_EQ(notice.summary, "Tsunami Warning Number 1 – OFF THE EAST COAST OF HONSHU JAPAN");
    EXPECT_EQ(notice.body, "NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI");
    EXPECT_EQ(notice.urgency, NoticeUrgency::Critical);
    EXPECT_EQ(notice.actionLabel, "Open message");
    const std::string bulletin = "https://www.tsunami.gov/events/PHEB/2025/12/07/t0a1b2/1/WEPA40/WEPA40.txt";
    EXPECT_EQ(notice.key, "tsunami:" + bulletin);
    EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine)
                  .rfind("Tsunami alert: Tsunami Warning Number 1 – OFF THE EAST COAST OF HONSHU JAPAN "
                         "(NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI)",
                         0),
              0u)
        << dlg->GetDlgItemText(kIdStatusLine);
    EXPECT_NE(TooltipOf(*dlg, "NEAR EAST COAST OF HONSHU, JAPAN").find(kTsunamiLine), std::string::npos);
    EXPECT_EQ(TooltipOf(*dlg, "SOUTHERN GREECE").find(kTsunamiLine), std::string::npos);

    // The next cycle brings the same message: no second notice, the line stays.
    dlg->ReadTsunamiMessages();
    EXPECT_EQ(m_notifier.notices.size(), 1u);
    EXPECT_NE(dlg->GetDlgItemText(kIdStatusLine).find("Tsunami alert"), std::string::npos);

    LinkCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    m_notifier.Click(notice.key);
    m_notifier.Click("tsunami:file:///etc/passwd");
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.m_opened.size(), 1);
    EXPECT_EQ(catcher.m_opened[0].toString().toStdString(), bulletin);

    // The centre's next message replaces it: the line no longer holds the warning.
    m_server.Serve("/events/xml/PHEBAtom.xml",
                   "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>none</title></feed>");
    dlg->ReadTsunamiMessages();
    EXPECT_EQ(dlg->GetDlgItemText(kIdStatusLine).find("Tsunami alert"), std::string::npos);
}

// An information statement is a normal notice and no alert in the status line; a feed that fails is a source
// problem like any other, named by its host.
TEST_F(MonitorTsunamiTest, AnInformationStatementIsANormalNoticeAndAFailingFeedASourceProblem) {
    m_server.Serve("/events/xml/PHEBAtom.xml", "busy", 503);
    m_server.Serve("/events/xml/PAAQAtom.xml",
                   "<feed><title>Tsunami Information Statement Number 1</title><entry><id>urn:i</id>"
                   "<title>&lt;b&gt;95 miles W of Port Alice&lt;/b&gt;</title><updated>2025-12-07T12:00:00Z</updated>"
                   "<summary><div><strong>Category:</strong> Information</div></summary></entry></feed>");
    auto dlg = MakeWindow();
    dlg->ReadTsunamiMessages();
    ASSERT_EQ(m_notifier.notices.size(), 1u);
    EXPECT_EQ(m_notifier.notices[0].urgency, NoticeUrgency::Normal);
    EXPECT_EQ(m_notifier.notices[0].summary,
              "Tsunami Information Statement Number 1 – <b>95 miles W of Port Alice</b>");
    EXPECT_EQ(m_notifier.notices[0].body, "National Tsunami Warning Center");
    EXPECT_EQ(m_notifier.notices[0].key, "*") << "no link: a click only shows the window";
    QCoreApplication::processEvents();
    const std::string line = dlg->GetDlgItemText(kIdStatusLine);
    EXPECT_EQ(line.find("Tsunami alert"), std::string::npos) << line;
    EXPECT_NE(line.find("Source unavailable: 127.0.0.1 (HTTP 503)"), std::string::npos) << line;
}

// In quiet hours all day: a warning within 1,000 km of the home sounds and is critical; far from it, it is a
// normal notice, silent.
TEST_F(MonitorTsunamiTest, AWarningNearAPlaceSoundsThroughQuietHours) {
    m_server.Serve("/events/xml/PHEBAtom.xml", test::ReadFeedData("ptwc_warning_made.xml"));
    m_server.Serve("/events/xml/PAAQAtom.xml", "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>n</title></feed>");
    m_storage.StoreText(test::kFakeLangKey, "quiet/enabled", "true");
    m_storage.StoreText(test::kFakeLangKey, "quiet/from", "00:00");
    m_storage.StoreText(test::kFakeLangKey, "quiet/to", "23:59");
    const struct {
        const char* latitude;
        const char* longitude;
        bool danger;
    } homes[] = {{"35.68", "139.69", true}, {"52.23", "21.01", false}};  // Tokyo, Warsaw
    for (const auto& home : homes) {
        m_storage.StoreText(test::kFakeLangKey, "home/latitude", home.latitude);
        m_storage.StoreText(test::kFakeLangKey, "home/longitude", home.longitude);
        m_notifier.notices.clear();
        const std::size_t played = m_sound.Played().size();
        auto dlg = MakeWindow();
        dlg->ReadTsunamiMessages();
        ASSERT_EQ(m_notifier.notices.size(), 1u);
        EXPECT_EQ(m_notifier.notices[0].urgency, home.danger ? NoticeUrgency::Critical : NoticeUrgency::Normal);
        EXPECT_EQ(m_notifier.notices[0].silent, !home.danger);
        EXPECT_EQ(m_sound.Played().size() - played, home.danger ? 1u : 0u);
    }
}

}  // namespace
}  // namespace dravik

#include "monitor_tsunami_test.moc"
