#include "mainwindow/map_browser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QUrl>

#include "platform/qt/dialog_builder.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/process_events.h"

namespace dravik {
namespace {

class LinkCatcher final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> m_opened;

public slots:
    void Open(const QUrl& url) { m_opened << url; }
};

class MapBrowserTest : public ::testing::Test {
protected:
    MapBrowserTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
        m_map.resize(600, 400);
        m_map.show();
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    CMapBrowser m_map;
};

TEST_F(MapBrowserTest, AddressesMoveTheMarkerAndKeepTheView) {
    // Before any quake is shown, the world's outline and no tile fetched (the test's tile address fails at once).
    m_map.resize(700, 450);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_FALSE(m_map.TilesFailing());
    // The first place is centred; the kind comes from the page.
    m_map.Navigate("dravik-map://map/mapa/ms.php?wsp1=38.12&wsp2=-12.5");
    EXPECT_EQ(m_map.Kind(), 1);
    ASSERT_TRUE(m_map.Marker());
    EXPECT_DOUBLE_EQ(m_map.Marker()->lat, 38.12);
    EXPECT_DOUBLE_EQ(m_map.Viewport().Centre().lat, 38.12);
    EXPECT_DOUBLE_EQ(m_map.Viewport().Centre().lon, -12.5);
    EXPECT_EQ(m_map.Viewport().Zoom(), 5);
    EXPECT_TRUE(m_map.OutsideAddress().isEmpty());
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return m_map.TilesFailing(); }));

    // A place in view moves only the marker, whatever the user made of the view.
    m_map.SetZoom(7);
    const GeoPoint centre = m_map.Viewport().Centre();
    m_map.Navigate("dravik-map://map/mapa/ms.php?wsp1=38.5&wsp2=-12.0");
    EXPECT_DOUBLE_EQ(m_map.Marker()->lon, -12.0);
    EXPECT_EQ(m_map.Viewport().Centre().lon, centre.lon);
    EXPECT_EQ(m_map.Viewport().Zoom(), 7);
    // Another kind keeps the view too.
    m_map.Navigate("dravik-map://map/mapa/mf.php?wsp1=38.5&wsp2=-12.0");
    EXPECT_EQ(m_map.Kind(), 3);
    EXPECT_EQ(m_map.Viewport().Centre().lon, centre.lon);
    EXPECT_EQ(m_map.Viewport().Zoom(), 7);
    // A place outside the view is brought into it, at the same zoom.
    m_map.Navigate("dravik-map://map/mapa/m.php?wsp1=-33.9&wsp2=151.2&mag=4.3");
    EXPECT_EQ(m_map.Kind(), 0);
    EXPECT_TRUE(m_map.Viewport().Contains({-33.9, 151.2}));
    EXPECT_EQ(m_map.Viewport().Zoom(), 7);
}

TEST_F(MapBrowserTest, NoPlaceGivesANoteAndNoMarker) {
    m_map.Navigate("dravik-map://map/mapa/m.php?wsp1=12&wsp2=13");
    const GeoPoint centre = m_map.Viewport().Centre();
    for (const char* address : {"dravik-map://map/mapa/m.php?wsp1=%3Cscript%3E&wsp2=1",
                                "dravik-map://map/mapa/m.php?wsp1=91&wsp2=1", "dravik-map://map/mapa/m.php"}) {
        m_map.Navigate(address);
        EXPECT_FALSE(m_map.Marker()) << address;
        EXPECT_EQ(m_map.Viewport().Centre().lat, centre.lat) << address;
    }
    m_map.Navigate("dravik-map://map/mapa/m.php?wsp1=12.5&wsp2=13");
    EXPECT_TRUE(m_map.Marker());
}

TEST_F(MapBrowserTest, OutsideServerOpensInTheUsersBrowser) {
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "Open");
    m_map.Navigate("http://127.0.0.1:9/mapa/mh.php?wsp1=10&wsp2=20");
    // Shown here as the built-in map of its kind; the server's own page only on request, outside.
    EXPECT_EQ(m_map.Kind(), 2);
    EXPECT_TRUE(m_map.Marker());
    EXPECT_EQ(m_map.OutsideAddress(), "http://127.0.0.1:9/mapa/mh.php?wsp1=10&wsp2=20");
    EXPECT_TRUE(catcher.m_opened.isEmpty());
    m_map.OpenOutside();
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_EQ(catcher.m_opened.size(), 1);
    EXPECT_EQ(catcher.m_opened.front(), QUrl("http://127.0.0.1:9/mapa/mh.php?wsp1=10&wsp2=20"));
    m_map.Navigate("dravik-map://map/mapa/mh.php?wsp1=10&wsp2=20");
    EXPECT_TRUE(m_map.OutsideAddress().isEmpty());
}

TEST_F(MapBrowserTest, ReleaseKeepsTheViewAndWhatWasAsked) {
    m_map.Navigate("dravik-map://map/mapa/m.php?wsp1=1.5&wsp2=2.5");
    m_map.SetZoom(8);
    m_map.Release();
    m_map.Release();
    EXPECT_TRUE(m_map.IsReleased());
    EXPECT_EQ(m_map.TilesInMemory(), 0U);
    m_map.Navigate("dravik-map://map/mapa/ms.php?wsp1=1.6&wsp2=2.6");
    m_map.Restore();
    EXPECT_FALSE(m_map.IsReleased());
    EXPECT_EQ(m_map.Kind(), 1);
    EXPECT_DOUBLE_EQ(m_map.Marker()->lat, 1.6);
    EXPECT_EQ(m_map.Viewport().Zoom(), 8);
}

TEST(MapBrowserCreateTest, CreatePlacesTheControlWhereTheDialogFindsIt) {
    QDialog dialog;
    auto* browser = new CMapBrowser;
    ASSERT_TRUE(browser->Create("map", true, QRect(7, 144, 445, 229), &dialog, 1004));
    EXPECT_EQ(FindControl(&dialog, 1004), browser);
    EXPECT_EQ(browser->geometry(), QRect(7, 144, 445, 229));
    EXPECT_FALSE(browser->isHidden());
}

}  // namespace
}  // namespace dravik

#include "map_browser_test.moc"
