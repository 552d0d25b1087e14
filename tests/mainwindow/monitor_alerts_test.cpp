#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "app/alert_settings_key.h"
#include "app/settings_dlg.h"
#include "app/ui_texts.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/list_colours.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/autostart.h"
#include "platform/environment.h"
#include "resources/resource_tables.h"
#include "shaking/intensity.h"
#include "tests/common/fake_notifier.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/quake_page.h"
#include "tests/common/rendered_text.h"
#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

using test::QuakePageHtml;
using test::QuakeRow;

QuakeRow Row(const std::string& id, const std::string& mag, const std::string& region, const std::string& lat = "38.80",
             const std::string& lon = "20.62") {
    QuakeRow row{id};
    row.mag = mag;
    row.region = region;
    row.lat = lat;
    row.lon = lon;
    return row;
}

class MonitorAlertsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::tzset();
        m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
    }
    void TearDown() override { ::tzset(); }

    void Store(const char* name, const char* value) { m_storage.StoreText(test::kFakeLangKey, name, value); }

    std::unique_ptr<CMonitorDlg> MakeWindow() {
        MonitorServices services;
        services.fetchPage = [this](const std::string& url) {
            if (m_onFetch) {
                m_onFetch();
            }
            return url == QuakeUrl() ? m_page : std::string();
        };
        services.sound = &m_sound;
        services.storeEvents = [this](const std::vector<QuakeEvent>& events, const std::atomic<bool>*) {
            for (const QuakeEvent& e : events) {
                m_stored.push_back(e.region);
            }
            return ArchiveWriteResult{};
        };
        services.startFeedWorker = false;
        services.notifier = &m_notifier;
        services.clock = [this] { return m_now; };
        services.nowUtcMs = [this] { return static_cast<std::int64_t>(m_now) * 1000; };
        auto dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        dlg->OnInitDialog();
        dlg->show();
        return dlg;
    }

    std::vector<std::string> Summaries() const {
        std::vector<std::string> out;
        for (const DesktopNotice& n : m_notifier.notices) {
            out.push_back(n.summary);
        }
        return out;
    }

    test::ScopedEnv m_tz{"TZ", "UTC"};
    test::ScopedEnv m_quakeUrl{"DRAVIK_QUAKE_URL", "http://127.0.0.1:9/quake"};
    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scopedStorage{m_storage};
    test::FakeSound m_sound;
    test::FakeNotifier m_notifier;
    std::function<void()> m_onFetch;  // inside a round, before the page is read
    std::string m_page;
    std::vector<std::string> m_stored;
    std::time_t m_now = 1765108800;  // 2025-12-07 12:00 UTC
};

TEST_F(MonitorAlertsTest, ThresholdsDecideSoundBlinkAndNotificationsEveryEventIsListedAndStored) {
    Store(kAlertGlobalMagnitude, "5.0");
    auto dlg = MakeWindow();
    m_page = QuakePageHtml({Row("500100", "6.5", "FIRST CYCLE")});
    dlg->RefreshQuakeList();
    EXPECT_TRUE(m_sound.Played().empty());
    EXPECT_TRUE(m_notifier.notices.empty()) << "the first cycle never notifies";

    dlg->m_bNewEvent = false;
    m_page = QuakePageHtml({Row("500101", "4.9", "SMALL")});
    dlg->RefreshQuakeList();
    EXPECT_FALSE(dlg->m_bNewEvent) << "an event below the threshold makes no blink";
    EXPECT_TRUE(m_sound.Played().empty());

    m_page = QuakePageHtml({Row("500102", "4.9", "A"), Row("500103", "5.0", "B"), Row("500104", "6.1", "C")});
    dlg->RefreshQuakeList();
    EXPECT_TRUE(dlg->m_bNewEvent);
    EXPECT_EQ(m_sound.Played().size(), 2u);
    EXPECT_EQ(Summaries(), (std::vector<std::string>{"M 6.1 C", "M 5.0 B"}));
    EXPECT_EQ(m_notifier.notices[0].key, "500104");
    EXPECT_EQ(m_notifier.notices[0].actionLabel, "Show");
    EXPECT_FALSE(m_notifier.notices[0].silent);
    EXPECT_EQ(dlg->GetItemCount(), 5);
    EXPECT_EQ(m_stored, (std::vector<std::string>{"FIRST CYCLE", "SMALL", "A", "B", "C"}));
}

TEST_F(MonitorAlertsTest, ALongSleepGivesThreeNotificationsAndOneSummaryQuietHoursSilenceThem) {
    Store(kQuietEnabled, "true");
    Store(kQuietFrom, "11:00");
    Store(kQuietTo, "13:00");
    auto dlg = MakeWindow();
    dlg->RefreshQuakeList();  // an empty first cycle
    m_page = QuakePageHtml({Row("500001", "5.1", "R1"), Row("500002", "7.2", "R2"), Row("500003", "5.5", "R3"),
                            Row("500004", "6.0", "R4"), Row("500005", "5.2", "R5"), Row("500006", "2.0", "R6")});
    dlg->RefreshQuakeList();
    EXPECT_EQ(Summaries(), (std::vector<std::string>{"M 7.2 R2", "M 6.0 R4", "M 5.5 R3", "2 more earthquakes"}));
    EXPECT_EQ(m_notifier.notices[3].body, "M 5.1 R1\nM 5.2 R5");
    // 12:00 is within the quiet hours: only 7.2 (above the wake magnitude 6.5) sounds, and its notice.
    EXPECT_FALSE(m_notifier.notices[0].silent);
    EXPECT_TRUE(m_notifier.notices[1].silent);
    EXPECT_TRUE(m_notifier.notices[3].silent);
    EXPECT_EQ(m_sound.Played().size(), 1u);
}

TEST_F(MonitorAlertsTest, AClickOnANotificationShowsTheWindowWithItsEventSelected) {
    auto dlg = MakeWindow();
    m_page = QuakePageHtml({Row("500001", "5.1", "R1"), Row("500002", "5.2", "R2")});
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetFirstSelectedItem(), 0);
    dlg->hide();
    m_notifier.Click("500002");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 1);
    EXPECT_EQ(dlg->m_mapView.LastLat(), dlg->GetItemText(1, 4));
    m_notifier.Click("*");  // a summary: the window only
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 1);
    m_notifier.Click("599999");  // an event no longer listed
    EXPECT_EQ(dlg->GetFirstSelectedItem(), 1);
    dlg.reset();
    m_notifier.Click("500002");  // the window is gone: nothing happens
}

// A GeoJSON feature of a structured source, `minutesAgo` before the test's clock.
std::string Feature(const std::string& id, double mag, const std::string& place, int minutesAgo, double lat = 38.0) {
    const long long ms = (1765108800LL - minutesAgo * 60LL) * 1000;
    return "{\"type\":\"Feature\",\"id\":\"" + id + "\",\"properties\":{\"mag\":" + std::to_string(mag) +
           ",\"time\":" + std::to_string(ms) + ",\"place\":\"" + place +
           "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[20.0," + std::to_string(lat) + ",10]}}";
}

std::string Features(const std::vector<std::string>& features) {
    std::string body = "{\"type\":\"FeatureCollection\",\"features\":[";
    for (const std::string& f : features) {
        body += (body.back() == '[' ? "" : ",") + f;
    }
    return body + "]}";
}

int RowOfRegion(const CMonitorDlg& dlg, const std::string& region) {
    for (int row = 0; row < dlg.GetItemCount(); ++row) {
        if (dlg.GetItemText(row, 1) == region) {
            return row;
        }
    }
    return -1;
}

// Quakes of a structured source through revisions: a revision changes its row in place and says so, alerts
// once when it first matches the rule, a late quake never alerts, and a click on any notice finds its quake
// by its qualified id wherever its row stands.
TEST_F(MonitorAlertsTest, RevisedQuakesChangeTheirRowAndNotificationsFindTheirQuakeById) {
    Store(kAlertGlobalMagnitude, "5.0");
    auto dlg = MakeWindow();
    m_page = Features({Feature("a1", 4.0, "ALPHA", 10), Feature("b1", 5.5, "BRAVO", 20, 30.0)});
    dlg->RefreshQuakeList();
    m_page = Features({Feature("c1", 5.2, "CHARLIE", 2, 10.0), Feature("d1", 6.0, "DELTA", 120, 0.0),
                       Feature("a1", 4.0, "ALPHA", 10), Feature("b1", 5.5, "BRAVO", 20, 30.0)});
    dlg->RefreshQuakeList();
    m_page = Features({Feature("a1", 5.8, "ALPHA", 10), Feature("c1", 5.2, "CHARLIE", 2, 10.0)});
    dlg->RefreshQuakeList();
    dlg->RefreshQuakeList();

    EXPECT_EQ(dlg->GetItemCount(), 4);
    EXPECT_EQ(Summaries(), (std::vector<std::string>{"M 5.2 CHARLIE", "M 5.8 ALPHA"}));
    EXPECT_EQ(m_notifier.notices[1].body.rfind("revised to M 5.8 (was M 4.0)\n", 0), 0U) << m_notifier.notices[1].body;
    const int alpha = RowOfRegion(*dlg, "ALPHA");
    ASSERT_GE(alpha, 0);
    EXPECT_EQ(dlg->GetItemText(alpha, 0), "5.8");
    EXPECT_NE(dlg->m_listEvents->Text(alpha, 1, Qt::ToolTipRole).toStdString().find("M 4.0 → M 5.8"),
              std::string::npos);

    dlg->hide();
    m_notifier.Click(m_notifier.notices[0].key);
    EXPECT_EQ(dlg->GetFirstSelectedItem(), RowOfRegion(*dlg, "CHARLIE"));
    m_notifier.Click(m_notifier.notices[1].key);
    EXPECT_EQ(dlg->GetFirstSelectedItem(), alpha);
    EXPECT_EQ(dlg->m_mapView.LastLat(), dlg->GetItemText(alpha, 4));
}

// A sequence as the user sees it: the main shock notified alone, one card for its aftershocks updated in place
// and silently, the main shock's row with its count and outlook, and its notice updated by its revision.
TEST_F(MonitorAlertsTest, ASequenceHasOneCardAndTheMainShocksRowCountsIt) {
    Store(kNotifyMinMagnitude, "4.0");
    Store(kDisplayTime, "utc");
    auto dlg = MakeWindow();
    m_page = Features({});
    dlg->RefreshQuakeList();
    m_page = Features({Feature("main", 6.0, "MAIN", 20)});
    dlg->RefreshQuakeList();
    m_page = Features({Feature("a1", 4.5, "AFTER ONE", 10), Feature("main", 6.0, "MAIN", 20)});
    dlg->RefreshQuakeList();
    m_page = Features(
        {Feature("a2", 4.0, "AFTER TWO", 2), Feature("a1", 4.5, "AFTER ONE", 10), Feature("main", 6.0, "MAIN", 20)});
    dlg->RefreshQuakeList();

    ASSERT_EQ(m_notifier.notices.size(), 3u) << ::testing::PrintToString(Summaries());
    EXPECT_EQ(m_notifier.notices[0].summary, "M 6.0 MAIN");
    const std::string mainId = m_notifier.notices[0].key;
    EXPECT_EQ(m_notifier.notices[0].tag, "quake:" + mainId);
    const DesktopNotice& opened = m_notifier.notices[1];
    const DesktopNotice& updated = m_notifier.notices[2];
    EXPECT_EQ(opened.summary, "1 aftershock of M 6.0 MAIN · largest M 4.5 · latest M 4.5, 10 min ago");
    EXPECT_EQ(updated.summary, "2 aftershocks of M 6.0 MAIN · largest M 4.5 · latest M 4.0, 2 min ago");
    EXPECT_EQ(opened.tag, "sequence:" + mainId);
    EXPECT_EQ(updated.tag, opened.tag);
    EXPECT_EQ(updated.key, mainId);
    EXPECT_TRUE(updated.silent);
    EXPECT_EQ(updated.body.rfind("Next 7 days: M 5+ ", 0), 0u) << updated.body;
    EXPECT_NE(updated.body.find(", M 6.0+ "), std::string::npos) << updated.body;
    EXPECT_NE(updated.body.find("(generic estimate)"), std::string::npos) << updated.body;

    const int main = RowOfRegion(*dlg, "MAIN  +2");
    ASSERT_GE(main, 0);
    const std::string tooltip = dlg->m_listEvents->Text(main, 1, Qt::ToolTipRole).toStdString();
    EXPECT_NE(tooltip.find("2 aftershocks · largest M 4.5 · latest M 4.0 (2025-12-07 11:58)"), std::string::npos)
        << tooltip;
    EXPECT_NE(tooltip.find("(generic estimate)"), std::string::npos) << tooltip;
    EXPECT_GE(RowOfRegion(*dlg, "AFTER ONE"), 0) << "an aftershock's row carries no count";

    // The card the user closed stays closed for a smaller aftershock.
    m_notifier.Dismiss(opened.tag);
    m_page = Features({Feature("a3", 4.1, "AFTER THREE", 1), Feature("a2", 4.0, "AFTER TWO", 2),
                       Feature("a1", 4.5, "AFTER ONE", 10), Feature("main", 6.0, "MAIN", 20)});
    dlg->RefreshQuakeList();
    EXPECT_EQ(m_notifier.notices.size(), 3u);
    EXPECT_GE(RowOfRegion(*dlg, "MAIN  +3"), 0);

    // The main shock revised by 0.4: its notice is updated in place, silently.
    m_page =
        Features({"{\"type\":\"Feature\",\"id\":\"main\",\"properties\":{\"mag\":6.4,\"time\":1765107600000,"
                  "\"updated\":1765108700000,\"place\":\"MAIN\"},\"geometry\":{\"type\":\"Point\","
                  "\"coordinates\":[20.0,38.0,10]}}"});
    dlg->RefreshQuakeList();
    ASSERT_EQ(m_notifier.notices.size(), 4u);
    const DesktopNotice& revised = m_notifier.notices[3];
    EXPECT_EQ(revised.summary, "M 6.4 MAIN");
    EXPECT_EQ(revised.tag, "quake:" + mainId);
    EXPECT_TRUE(revised.silent);
    EXPECT_EQ(revised.body.rfind("revised to M 6.4 (was M 6.0)\n", 0), 0u) << revised.body;
}

TEST_F(MonitorAlertsTest, TimeDisplayAndDistanceFromHomeFollowTheSettings) {
    Store(kDisplayTime, "utc");
    Store(kHomeLatitude, "52.23");
    Store(kHomeLongitude, "21.01");
    auto dlg = MakeWindow();
    EXPECT_EQ(dlg->m_listEvents->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Time (UTC)"));
    // The page's 18:03 UTC is stored as 19:03 (under TZ=UTC the classic form is one hour ahead).
    m_page = QuakePageHtml({Row("500001", "5.1", "ROME", "41.90", "12.50")});
    dlg->RefreshQuakeList();
    EXPECT_EQ(dlg->GetItemText(0, 3), "18:03");
    EXPECT_EQ(dlg->m_listEvents->Text(0, 1, Qt::ToolTipRole),
              QStringLiteral("1 315 km SW of Home\nHome: I – not felt, 1 315 km"));

    AlertSettings s = dlg->CurrentAlertSettings();
    s.timeDisplay = TimeDisplay::Classic;
    s.hasHome = false;
    dlg->ApplyAlertSettings(s);
    EXPECT_EQ(dlg->GetItemText(0, 3), "19:03");
    EXPECT_EQ(dlg->GetItemText(0, 2), "2016-05-10");
    EXPECT_EQ(dlg->m_listEvents->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Time"));
    EXPECT_TRUE(dlg->m_listEvents->Text(0, 1, Qt::ToolTipRole).isEmpty());
}

// A region and a home name that are markup: the row's tooltip shows them as text and opens no file.
TEST_F(MonitorAlertsTest, ARowsTooltipNeverReadsMarkupFromTheSourceOrTheHome) {
    Store(kHomeLatitude, "52.23");
    Store(kHomeLongitude, "21.01");
    Store(kHomeName, "<img src=\"/nonexistent/probe.png\">");
    auto dlg = MakeWindow();
    m_page = QuakePageHtml({Row("500001", "5.1", "<img src=\"/nonexistent/probe.png\">", "41.90", "12.50")});
    dlg->RefreshQuakeList();
    const QString tip = dlg->m_listEvents->Text(0, 1, Qt::ToolTipRole);
    ASSERT_TRUE(tip.contains(QStringLiteral("km SW of"))) << tip.toStdString();
    const test::RenderedText shown(tip);
    EXPECT_TRUE(shown.asked.isEmpty()) << shown.asked.join(' ').toStdString();
    EXPECT_TRUE(shown.toPlainText().contains(QStringLiteral("<img src=\"/nonexistent/probe.png\">")))
        << tip.toStdString();
}

// The distance column is there only with a home place: the settings' OK shows it, fills every listed row at once,
// keeps the list sorted by it when the home moves, and hides it again (classic order back) when the home goes.
TEST_F(MonitorAlertsTest, DistanceColumnFollowsTheHomePlace) {
    auto dlg = MakeWindow();
    CEventList& list = *dlg->m_listEvents;
    m_page =
        QuakePageHtml({Row("500003", "3.0", "ATHENS", "37.98", "23.73"), Row("500002", "4.0", "ROME", "41.90", "12.50"),
                       Row("500001", "5.1", "BERLIN", "52.52", "13.40")});
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 3);
    const std::vector<std::string> classic{"ATHENS", "ROME", "BERLIN"};
    EXPECT_TRUE(list.isColumnHidden(7));
    EXPECT_EQ(list.model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Distance"));

    const auto regions = [&] {
        std::vector<std::string> out;
        for (int row = 0; row < dlg->GetItemCount(); ++row) {
            out.push_back(dlg->GetItemText(row, 1));
        }
        return out;
    };
    const auto distanceOf = [&](const std::string& region) { return dlg->GetItemText(RowOfRegion(*dlg, region), 7); };
    AlertSettings s = dlg->CurrentAlertSettings();
    s.hasHome = true;
    s.homeLatitude = 52.23;  // Warsaw
    s.homeLongitude = 21.01;
    dlg->ApplyAlertSettings(s);
    EXPECT_FALSE(list.isColumnHidden(7));
    EXPECT_GE(list.columnWidth(7), list.horizontalHeader()->sectionSizeHint(7)) << "its header read whole";
    EXPECT_EQ(distanceOf("ROME"), "1 315 km");
    EXPECT_EQ(distanceOf("BERLIN"), "517 km");
    EXPECT_EQ(distanceOf("ATHENS"), "1 599 km");
    // The region still takes what the other columns leave.
    list.resize(1400, list.height());
    QApplication::sendPostedEvents();
    int widths = 0;
    for (int column = 0; column < list.model()->columnCount(); ++column) {
        widths += list.columnWidth(column);
    }
    EXPECT_EQ(widths, list.viewport()->width());

    emit list.horizontalHeader()->sectionClicked(7);
    EXPECT_EQ(regions(), (std::vector<std::string>{"BERLIN", "ROME", "ATHENS"})) << "nearest first";
    s.homeLatitude = 41.90;  // Rome
    s.homeLongitude = 12.50;
    dlg->ApplyAlertSettings(s);
    EXPECT_EQ(distanceOf("ROME"), "0 km");
    EXPECT_EQ(regions(), (std::vector<std::string>{"ROME", "ATHENS", "BERLIN"})) << "sorted anew";

    s.hasHome = false;
    dlg->ApplyAlertSettings(s);
    EXPECT_TRUE(list.isColumnHidden(7));
    EXPECT_EQ(regions(), classic);
    EXPECT_FALSE(list.horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(distanceOf("ROME"), "");
}

// The shaking column: the strongest expected level over every place, in its colour, sorting strongest first; the
// tooltip names each place.
TEST_F(MonitorAlertsTest, ShakingColumnAndTooltipCoverEveryPlace) {
    auto dlg = MakeWindow();
    CEventList& list = *dlg->m_listEvents;
    m_page =
        QuakePageHtml({Row("500003", "4.5", "ATHENS", "37.98", "23.73"), Row("500002", "6.0", "FAR", "0.00", "0.00"),
                       Row("500001", "5.0", "TIRANA", "41.33", "19.82")});
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 3);
    EXPECT_TRUE(list.isColumnHidden(kColumnShaking));
    EXPECT_FALSE(list.model()->index(0, kColumnShaking).isValid()) << "no items while no place is set";

    AlertSettings s = dlg->CurrentAlertSettings();
    s.places = {{"Athens", 37.98, 23.73}, {"Tirana", 41.33, 19.82}};
    dlg->ApplyAlertSettings(s);
    EXPECT_FALSE(list.isColumnHidden(kColumnShaking));
    EXPECT_FALSE(list.isColumnHidden(kColumnDistance)) << "places without a home show distances too";
    EXPECT_EQ(list.model()->headerData(kColumnShaking, Qt::Horizontal).toString(), QStringLiteral("Shaking"));
    const auto shakingOf = [&](const std::string& region) {
        return dlg->GetItemText(RowOfRegion(*dlg, region), kColumnShaking);
    };
    EXPECT_EQ(shakingOf("ATHENS"), "IV");
    EXPECT_EQ(shakingOf("TIRANA"), "V");
    EXPECT_EQ(shakingOf("FAR"), "") << "below II the cell is empty; the tooltip names the level";
    // The level's colour as text, readable on the list; no filled box that glares in a dark theme.
    const QModelIndex athens = list.model()->index(RowOfRegion(*dlg, "ATHENS"), kColumnShaking);
    EXPECT_FALSE(athens.data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(qvariant_cast<QColor>(athens.data(Qt::ForegroundRole)).rgb(),
              ShakingTextColour(4, QApplication::palette().color(QPalette::Base).rgb()));
    EXPECT_EQ(list.Text(RowOfRegion(*dlg, "ATHENS"), 1, Qt::ToolTipRole).toStdString(),
              "0 km N of Athens\nAthens: IV – light, 0 km\nTirana: I – not felt, 501 km");

    emit list.horizontalHeader()->sectionClicked(kColumnShaking);
    std::vector<std::string> regions;
    for (int row = 0; row < dlg->GetItemCount(); ++row) {
        regions.push_back(dlg->GetItemText(row, 1));
    }
    EXPECT_EQ(regions, (std::vector<std::string>{"TIRANA", "ATHENS", "FAR"})) << "strongest first";

    s.places.clear();
    dlg->ApplyAlertSettings(s);
    EXPECT_TRUE(list.isColumnHidden(kColumnShaking));
    EXPECT_FALSE(list.horizontalHeader()->isSortIndicatorShown()) << "the classic order is back";
}

// A home place set while a round runs (the settings window's OK between its batches) holds for the round's
// rows too, not the settings the round started with.
TEST_F(MonitorAlertsTest, AHomePlaceSetDuringARoundHoldsForItsRows) {
    auto dlg = MakeWindow();
    m_page = QuakePageHtml({Row("500002", "4.0", "ROME", "41.90", "12.50")});
    bool set = false;
    m_onFetch = [&] {
        if (!set) {
            set = true;
            AlertSettings s = dlg->CurrentAlertSettings();
            s.hasHome = true;
            s.homeLatitude = 52.23;
            s.homeLongitude = 21.01;
            dlg->ApplyAlertSettings(s);
        }
    };
    dlg->RefreshQuakeList();
    ASSERT_EQ(dlg->GetItemCount(), 1);
    EXPECT_EQ(dlg->GetItemText(0, 7), "1 315 km");
    EXPECT_EQ(dlg->m_listEvents->Text(0, 1, Qt::ToolTipRole).toStdString(),
              "1 315 km SW of Home\nHome: I – not felt, 1 315 km");
}

TEST_F(MonitorAlertsTest, SettingsWindowFromTheMenuStoresWhatOkTakes) {
    auto dlg = MakeWindow();
    bool seen = false;
    QTimer::singleShot(50, [&] {
        auto* settings = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(settings, nullptr);
        seen = true;
        EXPECT_EQ(settings->windowTitle(), QStringLiteral("Settings"));
        settings->Field(AlertField::GlobalMagnitude)->setText(QStringLiteral("4,5"));
        settings->TimeBox()->setCurrentIndex(1);
        settings->accept();
    });
    dlg->OnCommand(kCmdSettings);
    EXPECT_TRUE(seen);
    auto stored = m_storage.Stored(test::kFakeLangKey, kAlertGlobalMagnitude);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->bytes.substr(0, stored->bytes.find('\0')), "4.5");
    EXPECT_EQ(dlg->CurrentAlertSettings().globalMagnitude, 4.5);
    EXPECT_EQ(dlg->CurrentAlertSettings().timeDisplay, TimeDisplay::Local);
    EXPECT_EQ(dlg->m_listEvents->model()->headerData(3, Qt::Horizontal).toString(),
              QString::fromStdString(TimeHeaderText("EN", TimeDisplay::Local)));
    EXPECT_NE(dlg->m_listEvents->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Time"));
}

// "Start with my session" is the autostart entry itself: ticked, OK writes it; unticked, OK removes it; a
// failure to write is told to the user.
TEST_F(MonitorAlertsTest, StartWithMySessionWritesAndRemovesTheAutostartEntry) {
    const std::string root = test::MakeTempDir("session-start");
    test::ScopedEnv config("XDG_CONFIG_HOME", root.c_str());
    const std::string entry = root + "/autostart/dravik.desktop";
    auto dlg = MakeWindow();
    const auto runSettings = [&](bool expectTicked, bool tick) {
        bool seen = false;
        QTimer::singleShot(50, [&] {
            auto* settings = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(settings, nullptr);
            seen = true;
            EXPECT_EQ(settings->SessionBox()->isChecked(), expectTicked);
            // The same words, with the letter of its mnemonic marked.
            EXPECT_EQ(settings->SessionBox()->text().remove(QLatin1Char('&')), QStringLiteral("Start with my session"));
            settings->SessionBox()->setChecked(tick);
            settings->accept();
        });
        dlg->OnCommand(kCmdSettings);
        EXPECT_TRUE(seen);
    };
    runSettings(false, true);
    std::ifstream written(entry);
    std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(" --autostart\n"), std::string::npos) << text;
    EXPECT_TRUE(IsAutostartOn());

    runSettings(true, false);
    EXPECT_FALSE(std::filesystem::exists(entry));

    // The autostart directory cannot be made (a file is in its place): the user is told, nothing is written.
    std::filesystem::remove_all(root + "/autostart");
    std::ofstream(root + "/autostart") << "a file";
    QString warning;
    QTimer::singleShot(300, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->close();
        }
    });
    runSettings(false, true);
    EXPECT_TRUE(warning.startsWith(QStringLiteral("Could not change the start with the session:")))
        << warning.toStdString();
    EXPECT_FALSE(IsAutostartOn());
}

}  // namespace
}  // namespace dravik
