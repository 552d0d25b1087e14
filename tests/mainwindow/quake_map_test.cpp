#include "mainwindow/quake_map.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <iostream>
#include <memory>

#include "app/place_dlg.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/map_browser.h"
#include "mainwindow/monitor_dlg.h"
#include "shaking/intensity.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/process_events.h"

namespace dravik {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kHostileRegion = "</script><b>bold</b> \"quoted\" 'single' \xE2\x80\xA8 & <!--";

// Event n of a grid over the world, listed n * 10 minutes ago.
QuakeEvent GridEvent(int n, std::time_t now) {
    QuakeEvent e;
    e.eventId = std::to_string(700000 + n);
    e.mag = std::to_string(2 + n % 7) + "." + std::to_string(n % 10);
    e.region = "REGION " + std::to_string(n);
    const std::time_t shown = now - n * 600 + 3600;
    std::tm fields{};
    ::gmtime_r(&shown, &fields);
    char date[16], time[8];
    std::strftime(date, sizeof date, "%Y-%m-%d", &fields);
    std::strftime(time, sizeof time, "%H:%M", &fields);
    e.data1 = date;
    e.data2 = time;
    e.wsp1 = std::to_string(-60 + (n / 25) * 6) + ".00 ";
    e.wsp2 = std::to_string(-170 + (n % 25) * 14) + ".50 ";
    e.depth = "10";
    return e;
}

class QuakeMapTest : public ::testing::Test {
protected:
    QuakeMapTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
        m_storage.StoreText(test::kFakeLangKey, "home/latitude", "52.23");
        m_storage.StoreText(test::kFakeLangKey, "home/longitude", "21.01");
        m_storage.StoreText(test::kFakeLangKey, "home/name", "<i>Dom</i>");
        MonitorServices services;
        services.sound = &m_sound;
        services.startFeedWorker = false;
        services.fetchPage = [](const std::string&) { return std::string(); };
        m_dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        m_dlg->OnInitDialog();
        m_dlg->resize(m_dlg->size() * 3 / 2);
        m_dlg->show();
    }

    CMapBrowser& Map() { return *m_dlg->m_browser; }
    CEventList& List() { return *m_dlg->m_listEvents; }
    int Circles() { return static_cast<int>(Map().Circles().size()); }
    void Insert(int index, const QuakeEvent& e) {
        InsertEventRow(List(), m_dlg->m_imageList, index, e, MagnitudeClass(e.mag));
    }
    const MapCircle* CircleOf(int row) {
        const int id = m_dlg->m_pQuakeMap->CircleOfRow(row);
        for (const MapCircle& c : Map().Circles()) {
            if (c.id == id) {
                return &c;
            }
        }
        return nullptr;
    }
    // A click on the map where the circle is.
    void ClickCircle(const MapCircle& circle) {
        const ScreenPoint at = Map().Viewport().ToScreen(circle.at);
        const QPointF point(at.x, at.y);
        QMouseEvent press(QEvent::MouseButtonPress, point, Map().mapToGlobal(point), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&Map(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, Map().mapToGlobal(point), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&Map(), &release);
    }

    // Lists count events and shows the first on the map, as the feed's first cycle does.
    void ListAndShow(int count) {
        for (int n = 0; n < count; ++n) {
            QuakeEvent e = GridEvent(n, m_now);
            if (n == 7) {
                e.region = kHostileRegion;
            }
            Insert(m_dlg->GetItemCount(), e);
        }
        List().selectRow(0);
        ASSERT_TRUE(test::ProcessEventsUntil([&] { return Circles() == count; })) << Circles();
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    test::FakeSound m_sound;
    std::unique_ptr<CMonitorDlg> m_dlg;
    std::time_t m_now = std::time(nullptr);
};

TEST_F(QuakeMapTest, EveryListedEventIsACircleWithItsAgeLegendAndHome) {
    ListAndShow(500);
    const MapCircle* hostile = CircleOf(7);
    ASSERT_NE(hostile, nullptr);
    EXPECT_TRUE(hostile->tooltip.contains(QString::fromStdString(kHostileRegion)));
    EXPECT_DOUBLE_EQ(hostile->at.lat, -60);
    EXPECT_DOUBLE_EQ(hostile->at.lon, -72.5);  // "-72.50 "

    // Six events of the last hour, the rest of the last day or older; the newest drawn last, on top.
    int ages[3] = {0, 0, 0};
    for (const MapCircle& c : Map().Circles()) {
        ++ages[c.age];
    }
    EXPECT_EQ(ages[0], 6);
    EXPECT_EQ(ages[1], 144 - 6);
    EXPECT_EQ(ages[2], 500 - 144);
    EXPECT_EQ(Map().Circles().back().id, m_dlg->m_pQuakeMap->CircleOfRow(0));

    // The selected event's marker; the legend in English, the home place with its name as written.
    ASSERT_TRUE(Map().Marker());
    EXPECT_DOUBLE_EQ(Map().Marker()->lat, -60);
    EXPECT_DOUBLE_EQ(Map().Marker()->lon, -170.5);
    EXPECT_EQ(Map().Legend(), (QStringList{"Last hour", "Last day", "Older"}));
    ASSERT_EQ(Map().Places().size(), 1U);
    EXPECT_TRUE(Map().Places()[0].home);
    EXPECT_DOUBLE_EQ(Map().Places()[0].at.lat, 52.23);
    EXPECT_DOUBLE_EQ(Map().Places()[0].at.lon, 21.01);
    EXPECT_EQ(Map().Places()[0].name, "<i>Dom</i>");

    // The settings' home place changes: the map shows the new one at once.
    m_storage.StoreText(test::kFakeLangKey, "home/latitude", "-33.9");
    m_storage.StoreText(test::kFakeLangKey, "home/longitude", "151.2");
    m_storage.StoreText(test::kFakeLangKey, "lang", "PL");
    m_storage.StoreText(test::kFakeLangKey, "home/name", "");
    m_dlg->m_pQuakeMap->RefreshSettings();
    EXPECT_EQ(Map().Circles().size(), 500U);
    EXPECT_EQ(Map().Legend().value(0), "Ostatnia godzina");
    ASSERT_EQ(Map().Places().size(), 1U);
    EXPECT_DOUBLE_EQ(Map().Places()[0].at.lat, -33.9);
    EXPECT_EQ(Map().Places()[0].name, "Dom");
    if (const char* shot = std::getenv("DRAVIK_MAIN_SCREENSHOT")) {
        Map().CentreOn({20, 60}, 2);
        m_dlg->grab().save(QString::fromLocal8Bit(shot));
    }
}

TEST_F(QuakeMapTest, TheSelectedQuakesShakingAndEveryPlaceReachTheMap) {
    m_storage.StoreText(test::kFakeLangKey, "places/size", "2");
    m_storage.StoreText(test::kFakeLangKey, "places/1/name", "Kraków");
    m_storage.StoreText(test::kFakeLangKey, "places/1/latitude", "50.06");
    m_storage.StoreText(test::kFakeLangKey, "places/1/longitude", "19.94");
    m_storage.StoreText(test::kFakeLangKey, "places/2/name", "Gdańsk");
    m_storage.StoreText(test::kFakeLangKey, "places/2/latitude", "54.35");
    m_storage.StoreText(test::kFakeLangKey, "places/2/longitude", "18.65");
    m_dlg->m_pQuakeMap->RefreshSettings();
    ASSERT_EQ(Map().Places().size(), 3U);
    EXPECT_TRUE(Map().Places()[0].home);
    EXPECT_FALSE(Map().Places()[1].home);
    EXPECT_EQ(Map().Places()[1].name, QString::fromUtf8("Kraków"));
    EXPECT_DOUBLE_EQ(Map().Places()[2].at.lon, 18.65);

    // Row 0 is a quake of magnitude 2.0: felt by many nowhere.
    ListAndShow(10);
    EXPECT_TRUE(Map().Bands().empty());
    // Row 5, magnitude 7.5 at -60.00, -100.50: its three bands, outermost first, round its epicentre.
    List().selectRow(5);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return Map().Bands().size() == 3; }));
    EXPECT_EQ(Map().BandsCaption(), "Expected shaking");
    const char* const labels[] = {"III", "V", "VII"};
    for (int i = 0; i < 3; ++i) {
        const MapBand& band = Map().Bands()[static_cast<std::size_t>(i)];
        EXPECT_EQ(band.label, labels[i]);
        EXPECT_EQ(band.colour.rgb() & 0xFFFFFFu, IntensityColour(3 + 2 * i));
        EXPECT_EQ(band.outline, i == 0) << "III, as pale as the sea, an outline alone";
        EXPECT_FALSE(band.apart);
        EXPECT_DOUBLE_EQ(band.centre.lat, -60);
        EXPECT_DOUBLE_EQ(band.centre.lon, -100.5);
        EXPECT_DOUBLE_EQ(Map().Marker()->lon, -100.5) << "with the marker";
        if (i > 0) {
            EXPECT_LT(band.arcDegrees, Map().Bands()[static_cast<std::size_t>(i) - 1].arcDegrees);
        }
    }
    // Revised to a smaller magnitude, the bands shrink with it.
    const double outer = Map().Bands().front().arcDegrees;
    List().Model().MutableRow(5).mag = "5.5";
    m_dlg->OnRowRevised(5);
    ASSERT_FALSE(Map().Bands().empty());
    EXPECT_LT(Map().Bands().front().arcDegrees, outer);
    // The legend's caption follows the language.
    m_storage.StoreText(test::kFakeLangKey, "lang", "PL");
    m_dlg->m_pQuakeMap->RefreshSettings();
    EXPECT_EQ(Map().BandsCaption(), QString::fromUtf8("Oczekiwane wstrząsy"));

    // A place set on the map is taken up at once by the alert rule and the map, as the settings window's OK.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* dlg = qobject_cast<CPlaceDlg*>(QApplication::activeModalWidget())) {
            dlg->NameField()->setText("Torino");
            dlg->OkButton()->click();
        }
    });
    answer.start(5);
    Map().AskForPlace({45.07, 7.69});
    ASSERT_EQ(m_dlg->CurrentAlertSettings().places.size(), 3U);
    EXPECT_EQ(m_dlg->CurrentAlertSettings().places.back().name, "Torino");
    ASSERT_EQ(Map().Places().size(), 4U);
    EXPECT_EQ(Map().Places().back().name, "Torino");
}

TEST_F(QuakeMapTest, ClickOnACircleSelectsItsRowAndMovesTheMarker) {
    ListAndShow(200);
    const int row = 123;
    const MapCircle* circle = CircleOf(row);
    ASSERT_NE(circle, nullptr);
    Map().CentreOn(circle->at, 6);
    ClickCircle(*circle);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return m_dlg->GetFirstSelectedItem() == row; }));
    const QRect visible = List().viewport()->rect();
    EXPECT_TRUE(visible.intersects(List().visualRect(List().model()->index(row, 0))));

    const QuakeEvent e = GridEvent(row, m_now);
    ASSERT_TRUE(Map().Marker());
    EXPECT_DOUBLE_EQ(Map().Marker()->lat, std::stod(e.wsp1));
    EXPECT_DOUBLE_EQ(Map().Marker()->lon, std::stod(e.wsp2));
    EXPECT_EQ(Map().Viewport().Zoom(), 6);
    EXPECT_EQ(m_dlg->m_mapView.LastLat(), e.wsp1);

    // Selecting a far event in the list moves the marker there and brings it into view, at the same zoom.
    List().selectRow(0);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return Map().Viewport().Contains(*Map().Marker()); }));
    EXPECT_DOUBLE_EQ(Map().Marker()->lat, -60);
    EXPECT_EQ(Map().Viewport().Zoom(), 6);

    // Sorted otherwise, the rows keep their circles.
    List().Model().sort(1, Qt::DescendingOrder);
    for (int r = 0; r < List().rowCount(); r += 37) {
        const int id = m_dlg->m_pQuakeMap->CircleOfRow(r);
        ASSERT_GE(id, 0);
        EXPECT_EQ(m_dlg->m_pQuakeMap->RowOfCircle(id), r);
    }
}

TEST_F(QuakeMapTest, RemovedRowsTakeTheirCirclesAlong) {
    ListAndShow(100);
    // The oldest rows go, one at a time and in a block, as a list that keeps a bounded number does.
    const int lastId = m_dlg->m_pQuakeMap->CircleOfRow(99);
    List().model()->removeRow(99);
    EXPECT_EQ(m_dlg->m_pQuakeMap->CircleCount(), 99);
    EXPECT_EQ(Circles(), 99);
    EXPECT_EQ(m_dlg->m_pQuakeMap->RowOfCircle(lastId), -1);
    List().model()->removeRows(60, 39);
    EXPECT_EQ(m_dlg->m_pQuakeMap->CircleCount(), 60);
    EXPECT_EQ(Circles(), 60);
    for (const MapCircle& c : Map().Circles()) {
        const int row = m_dlg->m_pQuakeMap->RowOfCircle(c.id);
        ASSERT_GE(row, 0);
        ASSERT_LT(row, 60);
        EXPECT_EQ(m_dlg->m_pQuakeMap->CircleOfRow(row), c.id);
    }
    // A click on a circle still finds its own row after the removal; new rows still get circles.
    const MapCircle* circle = CircleOf(42);
    ASSERT_NE(circle, nullptr);
    Map().CentreOn(circle->at, 7);
    ClickCircle(*circle);
    EXPECT_EQ(m_dlg->GetFirstSelectedItem(), 42);
    Insert(0, GridEvent(300, m_now));
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return Circles() == 61; }));
    List().Model().Clear();
    EXPECT_EQ(Circles(), 0);
    EXPECT_EQ(m_dlg->m_pQuakeMap->CircleCount(), 0);
}

TEST_F(QuakeMapTest, NewAndRevisedEventsKeepTheView) {
    ListAndShow(50);
    Map().CentreOn({12.5, 33.25}, 7);
    const GeoPoint centre = Map().Viewport().Centre();
    for (int n = 50; n < 60; ++n) {
        Insert(0, GridEvent(n, m_now));
    }
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return Circles() == 60; })) << Circles();
    EXPECT_EQ(Map().Viewport().Zoom(), 7);
    EXPECT_EQ(Map().Viewport().Centre().lat, centre.lat);

    // A revision moves the row's circle and gives it its new size.
    const int row = 5;
    const int id = m_dlg->m_pQuakeMap->CircleOfRow(row);
    List().Model().MutableRow(row).wsp1 = "10.00 ";
    List().Model().MutableRow(row).mag = "7.5";
    m_dlg->OnRowRevised(row);
    const MapCircle* revised = CircleOf(row);
    ASSERT_NE(revised, nullptr);
    EXPECT_EQ(revised->id, id);
    EXPECT_DOUBLE_EQ(revised->at.lat, 10);
    EXPECT_DOUBLE_EQ(revised->radius, CircleRadius("7.5"));

    // The cost on the UI thread of listing events one by one with the map following.
    constexpr int kEvents = 1000;
    std::chrono::duration<double, std::milli> listed{0};
    for (int n = 0; n < kEvents; ++n) {
        const auto one = Clock::now();
        Insert(0, GridEvent(n % 480, m_now));
        m_dlg->m_pQuakeMap->Flush();
        listed += Clock::now() - one;
        QApplication::processEvents();
    }
    std::cout << "[ figure ] one event listed and drawn on the map: " << listed.count() / kEvents << " ms on average\n";
    EXPECT_EQ(Circles(), 60 + kEvents);
    EXPECT_EQ(Map().Viewport().Zoom(), 7);
}

}  // namespace
}  // namespace dravik
