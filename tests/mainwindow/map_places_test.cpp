#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/alert_settings_key.h"
#include "app/place_dlg.h"
#include "mainwindow/map_browser.h"
#include "tests/common/fake_settings_storage.h"

namespace dravik {
namespace {

// Answers what opens above the map while it lives: the context menu, the place's window and message boxes,
// each by the test's own hand.
class Answerer final {
public:
    std::function<void(QMenu&)> onMenu;
    std::function<void(CPlaceDlg&)> onPlace;
    std::vector<std::string> messages;
    int placeWindows = 0;

    Answerer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                if (onMenu) {
                    onMenu(*menu);
                }
            } else if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages.push_back(box->text().toStdString());
                box->button(QMessageBox::Ok)->click();
            } else if (auto* dlg = qobject_cast<CPlaceDlg*>(QApplication::activeModalWidget())) {
                ++placeWindows;
                if (onPlace) {
                    onPlace(*dlg);
                } else {
                    dlg->reject();
                }
            }
        });
        m_timer.start(5);
    }

private:
    QTimer m_timer;
};

void StorePlaces(test::FakeSettingsStorage& storage, int count) {
    storage.StoreText(test::kFakeLangKey, "places/size", std::to_string(count));
    for (int i = 1; i <= count; ++i) {
        const std::string prefix = "places/" + std::to_string(i) + "/";
        storage.StoreText(test::kFakeLangKey, prefix + "name", "Place " + std::to_string(i));
        storage.StoreText(test::kFakeLangKey, prefix + "latitude", std::to_string(10 + i));
        storage.StoreText(test::kFakeLangKey, prefix + "longitude", std::to_string(20 + i));
    }
}

class MapPlacesTest : public ::testing::Test {
protected:
    MapPlacesTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "EN");
        m_map.resize(600, 400);
        m_map.show();
        m_map.CentreOn({46.37, 14.11}, 7);
        QObject::connect(&m_map, &CMapBrowser::PlacesChanged, [this] { ++m_changes; });
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    CMapBrowser m_map;
    int m_changes = 0;
};

TEST_F(MapPlacesTest, TheMapsMenuSetsAPlaceAtTheClickedPointUnderTheNameGiven) {
    const QPoint click(420, 130);
    const GeoPoint at = m_map.Viewport().ToGeo({420, 130});
    Answerer answer;
    QStringList items;
    answer.onMenu = [&](QMenu& menu) {
        for (QAction* action : menu.actions()) {
            items << action->text();
        }
        for (QAction* action : menu.actions()) {
            if (action->text() == QString::fromUtf8("Set a place here…")) {
                QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
                return;
            }
        }
        menu.close();
    };
    std::vector<std::string> shown;
    std::vector<bool> offered;
    answer.onPlace = [&](CPlaceDlg& dlg) {
        shown = {dlg.LatitudeField()->text().toStdString(), dlg.LongitudeField()->text().toStdString()};
        // OK waits for a name, and for coordinates that are a place.
        offered.push_back(dlg.OkButton()->isEnabled());
        dlg.NameField()->setText("  <b>Bled</b>  ");
        offered.push_back(dlg.OkButton()->isEnabled());
        dlg.LatitudeField()->setText("91");
        offered.push_back(dlg.OkButton()->isEnabled());
        dlg.LatitudeField()->setText(QString::fromStdString(shown[0]).replace('.', ','));
        offered.push_back(dlg.OkButton()->isEnabled());
        dlg.OkButton()->click();
    };
    QContextMenuEvent event(QContextMenuEvent::Mouse, click, m_map.mapToGlobal(click));
    QApplication::sendEvent(&m_map, &event);

    EXPECT_EQ(items, QStringList{QString::fromUtf8("Set a place here…")}) << "the built-in map has nothing to open";
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_NEAR(std::stod(shown[0]), at.lat, 1e-4);
    EXPECT_NEAR(std::stod(shown[1]), at.lon, 1e-4);
    EXPECT_EQ(offered, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(m_changes, 1);
    const AlertSettings stored = LoadAlertSettings();
    ASSERT_EQ(stored.places.size(), 1U);
    EXPECT_EQ(stored.places[0].name, "<b>Bled</b>");
    EXPECT_NEAR(stored.places[0].latitude, at.lat, 1e-4);
    EXPECT_NEAR(stored.places[0].longitude, at.lon, 1e-4);
}

TEST_F(MapPlacesTest, BeyondNinePlacesBesidesTheHomeItSaysSoAndStoresNothing) {
    StorePlaces(m_storage, 9);
    Answerer answer;
    m_map.AskForPlace({1, 2});
    EXPECT_EQ(answer.placeWindows, 0) << "said before a name is asked for";
    EXPECT_EQ(answer.messages, (std::vector<std::string>{"At most 10 places can be kept: the home and 9 others."}));
    EXPECT_EQ(LoadAlertSettings().places.size(), 9U);
    EXPECT_FALSE(m_storage.Stored(test::kFakeLangKey, "places/10/name"));

    // The last free place taken elsewhere while the window was open: refused all the same.
    StorePlaces(m_storage, 8);
    answer.onPlace = [&](CPlaceDlg& dlg) {
        StorePlaces(m_storage, 9);
        dlg.NameField()->setText("Ljubljana");
        dlg.OkButton()->click();
    };
    m_map.AskForPlace({46.05, 14.5});
    EXPECT_EQ(answer.placeWindows, 1);
    EXPECT_EQ(answer.messages.size(), 2U);
    const AlertSettings stored = LoadAlertSettings();
    ASSERT_EQ(stored.places.size(), 9U);
    EXPECT_EQ(stored.places.back().name, "Place 9");
    EXPECT_EQ(m_changes, 0);

    // One free: the tenth place is kept.
    StorePlaces(m_storage, 8);
    answer.onPlace = [&](CPlaceDlg& dlg) {
        dlg.NameField()->setText("Ljubljana");
        dlg.OkButton()->click();
    };
    m_map.AskForPlace({46.05, 14.5});
    ASSERT_EQ(LoadAlertSettings().places.size(), 9U);
    EXPECT_EQ(LoadAlertSettings().places.back().name, "Ljubljana");
    EXPECT_EQ(m_changes, 1);
}

}  // namespace
}  // namespace dravik
